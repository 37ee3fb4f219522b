// A document the way the viewer holds it, without a window: the reader's
// style sheet, a headless host and the viewer's data.
#pragma once
#include "document/rvf_reader.h"
#include "viewer/rv_headless.h"

#include <cstdio>
#include <fstream>
#include <string>

namespace cli {

struct HeadlessDocument {
    rv::TRVStyle style;
    rv::TRVHeadlessHost host;
    rv::TReadViewRVData data{host, &style};

    HeadlessDocument() { style.LoadReaderDefaults(); }

    // Reads and formats `path`: 0, or the exit code after saying what failed
    // (2 for a file that cannot be opened, 1 for one that is not RVF).
    int Load(const std::string &path)
    {
        if (!std::ifstream(path, std::ios::binary)) {
            std::fprintf(stderr, "quenlor-cli: cannot open %s\n", path.c_str());
            return 2;
        }
        if (!rv::LoadRVFFromFile(data, path)) {
            std::fprintf(stderr, "quenlor-cli: %s is not a readable RVF document: %s\n", path.c_str(),
                         data.LoadError.Text().c_str());
            return 1;
        }
        data.FormatDocument();
        return 0;
    }
};

} // namespace cli
