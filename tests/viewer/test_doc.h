// A small document on the deterministic canvas, built item by item.
#pragma once
#include "support/test_canvas.h"
#include "viewer/rv_layoutdata.h"

#include <memory>
#include <string>

namespace rvtest {

using namespace rv;

// Text styles: 0 Arial 10; 1 Arial 20; 2 Arial 10 hyperlink; 3 Arial 8 raised 50 %.
// Paragraph styles: 0 left; 1 justify; 2 indents 10/20/5; 3 line spacing 150 %;
// 4 centre; 5 right; 6 no wrap; 7 line spacing 40 %; 8 space before 4, after 6.
inline void fillStyles(TRVStyle &s)
{
    s.TextStyles.Clear();
    s.TextStyles.Add();
    s.TextStyles.Add().Size = 20;
    TFontInfo &link = s.TextStyles.Add();
    link.Jump = true;
    link.Style = fsUnderline;
    link.Color = platform::clNavy;
    TFontInfo &sup = s.TextStyles.Add();
    sup.Size = 8;
    sup.VShift = 50;
    s.ParaStyles.Clear();
    for (int i = 0; i < 9; ++i)
        s.ParaStyles.Add();
    s.ParaStyles[1].Alignment = rvaJustify;
    s.ParaStyles[2].LeftIndent = 10;
    s.ParaStyles[2].FirstIndent = 20;
    s.ParaStyles[2].RightIndent = 5;
    s.ParaStyles[3].LineSpacing = 150;
    s.ParaStyles[4].Alignment = rvaCenter;
    s.ParaStyles[5].Alignment = rvaRight;
    s.ParaStyles[6].Options = bit(rvpaoNoWrap);
    s.ParaStyles[7].LineSpacing = 40;
    s.ParaStyles[8].SpaceBefore = 4;
    s.ParaStyles[8].SpaceAfter = 6;
    s.HoverColor = platform::clRed;
}

// A fixed-size box, standing in for pictures and other inline items.
class TestBox : public TRVRectItemInfo {
public:
    TestBox(int w, int h) : TRVRectItemInfo(ikPicture), W(w), H(h) { Spacing = 0; }
    platform::Size ContentSize() const override { return {W, H}; }
    int W, H;

protected:
    std::unique_ptr<TCustomRVItemInfo> CreateSame() const override { return std::make_unique<TestBox>(W, H); }
};

// A text item of style `st` in paragraph `para`.
inline void addText(TCustomRVData &data, const std::string &s, int st = 0, int para = 0, uint8_t opts = 0)
{
    auto it = std::make_unique<TRVTextItemInfo>(st);
    it->ParaNo = para;
    it->ItemOptions = opts;
    data.AddItem(s, std::move(it));
}

// How a Unicode item stores its text: UTF-16LE bytes.
inline std::string utf16leBytes(std::u16string_view s)
{
    std::string bytes;
    for (char16_t c : s) {
        bytes += char(c & 0xFF);
        bytes += char(c >> 8);
    }
    return bytes;
}

struct Doc {
    TRVStyle style;
    platform::TestCanvas canvas;
    TRVLayoutData data;
    explicit Doc(int clientWidth = 640, int dpi = 96) : canvas(640, 480, dpi), data(&style, &canvas)
    {
        fillStyles(style);
        data.ClientWidth = clientWidth;
    }
    void text(const std::string &s, int st = 0, int para = 0, uint8_t opts = 0) { addText(data, s, st, para, opts); }
    void text16(std::u16string_view s, int st = 0, int para = 0, uint8_t opts = 0)
    {
        text(utf16leBytes(s), st, para, uint8_t(opts | ioUnicode));
    }
    void item(std::unique_ptr<TCustomRVItemInfo> it, int para = 0, uint8_t opts = 0)
    {
        it->ParaNo = para;
        it->ItemOptions = opts;
        data.AddItem("", std::move(it));
    }
};

} // namespace rvtest
