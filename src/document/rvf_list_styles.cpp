// List styles in stored style tables: their properties and those of their
// levels (marker texts and pictures among them), and merging a file's list
// styles into the sheet.
#include "platform/codepage.h"
#include "rv_graphic.h"
#include "rvf_props.h"
#include "rvf_style_merge.h"
#include "rvf_styles.h"

namespace rv {

using namespace platform;
using namespace styleprops;
using namespace stylemerge;

namespace {

const Names kListType = {"rvlstBullet", "rvlstPicture", "rvlstImageList", "rvlstDecimal", "rvlstLowerAlpha",
                         "rvlstUpperAlpha", "rvlstLowerRoman", "rvlstUpperRoman", "rvlstImageListCounter",
                         "rvlstUnicodeBullet"};
const Names kMarkerAlign = {"rvmaLeft", "rvmaRight", "rvmaCenter"};
const Names kLevelOpt = {"rvloContinuous", "rvloLevelReset", "rvloLegalStyleNumbering"};

using Level = TRVListLevel;

// The marker text as UTF-16, from a string of any type.
Got readFormatStringW(PropReader &r, Level &e, uint8_t t)
{
    std::string s;
    if (t == vaWString)
        e.FormatStringW = r.wideString();
    else if (t == vaUTF8String)
        e.FormatStringW = utf8ToUtf16(r.bytes(r.u32()));
    else if (readString(r, t, s))
        e.FormatStringW = toUtf16(s, CP_ACP);
    else
        return Got::WrongType;
    return Got::Used;
}

// The marker text spelled in hexadecimal: two digits a byte, or four a UTF-16
// unit when `wide`.
Got readFormatStringCode(PropReader &r, Level &e, uint8_t t, bool wide)
{
    std::string s;
    if (!readString(r, t, s))
        return Got::WrongType;
    size_t unit = wide ? 4 : 2;
    if (s.size() % unit)
        return Got::Unusable;
    std::string bytes;
    std::u16string units;
    for (size_t i = 0; i < s.size(); i += unit) {
        int v = 0;
        for (size_t k = 0; k < unit; ++k) {
            int d = platform::hexDigitValue(s[i + k]);
            if (d < 0)
                return Got::Unusable;
            v = v * 16 + d;
        }
        if (wide)
            units.push_back(char16_t(v));
        else
            bytes.push_back(char(v));
    }
    if (wide)
        e.FormatStringW = units;
    else
        e.FormatString = bytes;
    return Got::Used;
}

// A picture marker: its class name, then the picture's stored bytes.
Got readPicture(PropReader &r, Level &e, uint8_t t)
{
    if (t != vaBinary)
        return Got::WrongType;
    PropReader inner(r.bytes(r.u32()));
    std::string cls = inner.shortString();
    auto g = CreateGraphicByClassName(cls);
    if (!g)
        return Got::Unusable;
    if (g->LoadFromBytes(inner.bytes(inner.left())))
        e.Picture = std::move(g);
    return Got::Used;
}

void writePicture(PropWriter &w, const char *name, const Level &e)
{
    if (!e.Picture)
        return;
    w.shortString(name);
    w.byte(vaBinary);
    std::string cls = e.Picture->ClassName();
    const std::string &data = e.Picture->StoredBytes();
    w.u32(uint32_t(1 + cls.size() + data.size()));
    w.shortString(cls);
    w.out.append(data);
}

// A property only read, in one of the forms above.
Prop<Level> readOnly(const char *name, Got (*read)(PropReader &, Level &, uint8_t))
{
    Prop<Level> p{name, PK::Custom};
    p.read = [read](PropReader &r, Level &e, uint8_t t, bool &, int) { return read(r, e, t); };
    p.write = false;
    return p;
}

Prop<Level> formatStringWProp()
{
    Prop<Level> p{"FormatStringW", PK::Custom};
    p.read = [](PropReader &r, Level &e, uint8_t t, bool &, int) { return readFormatStringW(r, e, t); };
    p.put = [](PropWriter &w, const char *name, const Level &e) {
        if (e.FormatStringW.empty())
            return;
        w.shortString(name);
        w.wstring(e.FormatStringW);
    };
    return p;
}

Prop<Level> pictureProp()
{
    Prop<Level> p{"Picture.Data", PK::Custom};
    p.read = [](PropReader &r, Level &e, uint8_t t, bool &, int) { return readPicture(r, e, t); };
    p.put = writePicture;
    return p;
}

const std::vector<Prop<Level>> &levelProps()
{
    using T = Level;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        p.push_back(INT_PROP(T, Enum, "ListType", &kListType, ListType));
        p.push_back(INT_PROP(T, Int, "StartFrom", nullptr, StartFrom));
        p.push_back(INT_PROP(T, Int, "ImageIndex", nullptr, ImageIndex));
        p.push_back(STR_PROP(T, "FormatString", FormatString));
        p.push_back(formatStringWProp());
        p.push_back(INT_PROP(T, Int, "LeftIndent", nullptr, LeftIndent));
        p.push_back(INT_PROP(T, Int, "FirstIndent", nullptr, FirstIndent));
        p.push_back(INT_PROP(T, Int, "MarkerIndent", nullptr, MarkerIndent));
        p.push_back(INT_PROP(T, Enum, "MarkerAlignment", &kMarkerAlign, MarkerAlignment));
        p.push_back(pictureProp());
        p.push_back(INT_PROP(T, Charset, "Font.Charset", nullptr, Font.Charset));
        p.push_back(INT_PROP(T, Color, "Font.Color", nullptr, Font.Color));
        p.push_back(STR_PROP(T, "Font.Name", Font.Name));
        p.push_back(INT_PROP(T, Set, "Font.Style", &kFontStyleNames, Font.Style));
        p.push_back(INT_PROP(T, Int, "Font.Height", nullptr, Font.Height));
        p.push_back(INT_PROP(T, Set, "Options", &kLevelOpt, Options));
        Prop<T> il{"ILTag", PK::Int, nullptr, [](const T &) -> int64_t { return 0; }, [](T &, int64_t) {}};
        il.write = false; // image lists come from the host, and ours has none
        p.push_back(il);
        p.push_back(readOnly("FormatStringCode", [](PropReader &r, Level &e, uint8_t t) {
            return readFormatStringCode(r, e, t, false);
        }));
        p.push_back(readOnly("FormatStringWCode", [](PropReader &r, Level &e, uint8_t t) {
            return readFormatStringCode(r, e, t, true);
        }));
        return p;
    }();
    return v;
}

const std::vector<Prop<TRVListInfo>> &listProps()
{
    using T = TRVListInfo;
    static std::vector<Prop<T>> v = [] {
        std::vector<Prop<T>> p;
        addCommon(p);
        Prop<T> levels{"Levels", PK::Custom};
        levels.read = [](PropReader &r, T &e, uint8_t t, bool &warn, int depth) {
            if (t != vaCollection)
                return Got::WrongType;
            e.Levels.clear();
            readCollection(r, e.Levels, levelProps(), warn, depth + 1);
            return Got::Used;
        };
        levels.put = [](PropWriter &w, const char *name, const T &e) { putCollection(w, name, e.Levels, levelProps()); };
        p.push_back(levels);
        p.push_back(INT_PROP(T, Bool, "OneLevelPreview", nullptr, OneLevelPreview));
        Prop<T> id{"LstID", PK::Int, nullptr, [](const T &e) -> int64_t { return e.ListIDRaw(); },
                   [](T &e, int64_t v) { e.SetListID(int32_t(v)); }};
        id.always = true; // it tells lists apart
        p.push_back(id);
        return p;
    }();
    return v;
}

int listSimilarity(TRVListInfo &f, TRVListInfo &s)
{
    int score = (f.OneLevelPreview == s.OneLevelPreview) * 100 + (f.ListIDRaw() == s.ListIDRaw()) * 50;
    size_t common = std::min(f.Levels.size(), s.Levels.size());
    for (size_t i = 0; i < common; ++i)
        score += f.Levels[i].IsEqual(s.Levels[i]) ? 100 : (f.Levels[i].ListType == s.Levels[i].ListType) * 50;
    score -= 100 * int(std::max(f.Levels.size(), s.Levels.size()) - common);
    return score;
}

} // namespace

void DecodeListStyles(std::string_view data, TRVListInfos &out, bool *unknown) { decodeTable(data, out, listProps(), unknown); }
std::string EncodeListStyles(const TRVListInfos &s) { return encodeTable(s, listProps()); }

std::vector<int> MergeListStyles(TRVListInfos &sheet, TRVListInfos &file, TRVFReaderStyleMode mode)
{
    std::vector<int> map;
    std::vector<bool> taken(size_t(sheet.Count()), false);
    int oldCount = sheet.Count();
    for (int i = 0; i < file.Count(); ++i) {
        TRVListInfo &f = file[i];
        if (mode == rvf_sInsertMap) {
            // An empty sheet has no list to map onto: -1.
            map.push_back(mostSimilar(
                oldCount, [&](int k) { return listSimilarity(f, sheet[k]); }, [](int) { return true; }));
            continue;
        }
        int found = findPreferring(i, sheet.Count(),
                                   [&](int k) { return !taken[size_t(k)] && sheet[k].IsEqual(f, false); });
        if (found < 0) {
            auto &added = sheet.Add();
            added.Assign(f, true); // an appended list keeps the file's identifier
            added.Standard = false;
            found = sheet.Count() - 1;
            taken.push_back(false);
        }
        if (f.HasNumbering())
            taken[size_t(found)] = true;
        map.push_back(found);
    }
    for (int k = oldCount; k < sheet.Count(); ++k)
        translate(sheet[k].BaseStyleNo, map);
    return map;
}

} // namespace rv
