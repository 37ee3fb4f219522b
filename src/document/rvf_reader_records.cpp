// The document's own records: stored style tables, layout and list markers.
#include "rvf_reader_impl.h"

#include "platform/codepage.h"
#include "rv_marker.h"
#include "rvf_styles.h"

#include <cstring>

namespace rv::rvfread {

using namespace platform;

void Reader::propertiesLine(std::string_view line, int i)
{
    if (i == 0 && encoding_ == rtBinary && lineCount_ > 1)
        fm_ = fmTextThenBinary;
    switch (subtype_) {
    case psTextStyles: case psParaStyles: case psListStyles:
        if (i == 1)
            readStyleTable(line);
        break;
    case psLayout:
        if (i == 1 && load_ && layout_ && (opts_ & rvfoLoadLayout))
            readLayout(bodyBytes(line, true));
        break;
    case psMarkers:
        if (i == 1 && load_ && (opts_ & rvfoLoadLayout))
            readMarkers(bodyBytes(line, true));
        break;
    case psDocProperties:
        if (load_ && (opts_ & rvfoLoadDocProperties)) {
            std::string s(line);
            for (char &c : s)
                c = c == '\x01' ? '\r' : c == '\x02' ? '\n' : c;
            d_.DocProperties.push_back(std::move(s));
        }
        break;
    case psDocParameters:
        if (load_ && (opts_ & rvfoLoadDocProperties) && d_.DocParameters)
            d_.DocParameters->SetFromLine(line);
        break;
    default:
        break;
    }
}

void Reader::readStyleTable(std::string_view line)
{
    TRVFReaderStyleMode mode = subtype_ == psTextStyles ? d_.RVFTextStylesReadMode : d_.RVFParaStylesReadMode;
    if (mode == rvf_sIgnore)
        return;
    std::string bytes;
    if (encoding_ == rtBinary)
        bytes = std::string(line);
    else if (line.size() % 2 == 0)
        HexToBytes(line, bytes); // a bad digit keeps what came before it
    if (bytes.empty())
        return;
    bool unknown = false;
    switch (subtype_) {
    case psTextStyles: {
        TFontInfos tmp;
        DecodeTextStyles(bytes, tmp, &unknown);
        if (tmp.Count() && !haveTextMap_) {
            if (load_)
                st_.TextStyles.Assign(tmp);
            else {
                textMap_ = MergeTextStyles(st_.TextStyles, tmp, mode);
                haveTextMap_ = true;
            }
        }
        break;
    }
    case psParaStyles: {
        TParaInfos tmp;
        DecodeParaStyles(bytes, tmp, &unknown);
        if (tmp.Count() && !haveParaMap_) {
            if (load_)
                st_.ParaStyles.Assign(tmp);
            else {
                paraMap_ = MergeParaStyles(st_.ParaStyles, tmp, mode, haveTextMap_ ? &textMap_ : nullptr);
                haveParaMap_ = true;
            }
        }
        break;
    }
    default: {
        TRVListInfos tmp;
        DecodeListStyles(bytes, tmp, &unknown);
        if (tmp.Count() && !haveListMap_) {
            if (load_) {
                bool allow = st_.ListStyles.FRVFAllowAssignListID;
                st_.ListStyles.FRVFAllowAssignListID = true;
                st_.ListStyles.Assign(tmp);
                st_.ListStyles.FRVFAllowAssignListID = allow;
            } else {
                listMap_ = MergeListStyles(st_.ListStyles, tmp, mode);
                haveListMap_ = true;
            }
        }
        break;
    }
    }
    if (unknown)
        d_.LoadWarnings |= lwUnknownStyleProperty;
}

static int32_t le32(std::string_view b, size_t off)
{
    return int32_t(uint8_t(b[off]) | uint8_t(b[off + 1]) << 8 | uint8_t(b[off + 2]) << 16 | uint32_t(uint8_t(b[off + 3])) << 24);
}

void Reader::readLayout(std::string_view b)
{
    if (b.size() < 8)
        fail(RvfErrorKind::Data, "Invalid RVF format: layout record too short");
    int32_t kind = le32(b, 0), size = le32(b, 4);
    size_t off = 8;
    if (kind == 0) {
        if (size < 25 || b.size() < off + 25)
            fail(RvfErrorKind::Data, "Invalid RVF format: layout record too short");
        layout_->LeftMargin = le32(b, off);
        layout_->RightMargin = le32(b, off + 4);
        layout_->TopMargin = le32(b, off + 8);
        layout_->BottomMargin = le32(b, off + 12);
        layout_->MinTextWidth = le32(b, off + 16);
        layout_->MaxTextWidth = le32(b, off + 20);
        uint8_t bidi = uint8_t(b[off + 24]);
        layout_->BiDiMode = TRVBiDiMode(bidi <= rvbdRightToLeft ? bidi : uint8_t(rvbdUnspecified));
        off += 25;
        size -= 25;
    }
    if (size >= 16 && b.size() >= off + 16) {
        layout_->FirstParaAborted = le32(b, off);
        layout_->LastParaAborted = le32(b, off + 4);
        layout_->FirstMarkerListNo = le32(b, off + 8);
        layout_->FirstMarkerLevel = le32(b, off + 12);
    }
    layout_->Loaded = true;
}

void Reader::readMarkers(std::string_view b)
{
    if (b.size() < 8)
        fail(RvfErrorKind::Data, "Invalid RVF format: marker state");
    int32_t count = le32(b, 4);
    if (count < 0 || size_t(count) > (b.size() - 8) / 17)
        fail(RvfErrorKind::Data, "Invalid RVF format: marker state");
    d_.StoredMarkers.clear();
    for (int32_t k = 0; k < count; ++k) {
        size_t off = 8 + size_t(k) * 17;
        TRVMarkerState m;
        m.ListNo = le32(b, off);
        m.Level = le32(b, off + 4);
        m.Reset = b[off + 8] != 0;
        m.StartFrom = le32(b, off + 9);
        m.Counter = le32(b, off + 13);
        if (haveListMap_ && m.ListNo >= 0)
            m.ListNo = size_t(m.ListNo) < listMap_.size() ? listMap_[size_t(m.ListNo)] : -1;
        d_.StoredMarkers.push_back(m);
    }
}

} // namespace rv::rvfread
