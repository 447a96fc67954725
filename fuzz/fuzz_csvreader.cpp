// Feeds arbitrary bytes to the guest-file reading: decoding in both character
// sets, then the CSV reader. Whatever it reads must end, keep its line
// numbers in order, and every record it accepts must write out and read back
// to the same values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "profiles/csvcharset.h"
#include "profiles/csvreader.h"
#include "profiles/csvwriter.h"

namespace {

void CheckReader(const std::string& text) {
    int lines = 1;
    for (char c : text)
        lines += c == '\n' || c == '\r' ? 1 : 0;  // an upper bound: CR LF counts twice
    CSVReader reader(text);
    CSVRecord record;
    int last = 0;
    std::size_t records = 0;
    while (reader.Next(record)) {
        if (record.Line <= last || record.Line > lines) std::abort();
        if (++records > text.size() + 1) std::abort();  // every record takes a byte
        last = record.Line;
        if (!record.Error.empty()) {
            if (!record.Cells.empty()) std::abort();
            continue;
        }
        if (record.Cells.empty()) std::abort();
        CSVWriter w;
        for (const CSVCell& cell : record.Cells)
            w.Text(cell.Text);
        w.EndLine();
        CSVReader again(w.Output());
        CSVRecord back;
        if (!again.Next(back) || !back.Error.empty() || back.Cells.size() != record.Cells.size())
            std::abort();
        for (std::size_t i = 0; i < back.Cells.size(); ++i) {
            if (back.Cells[i].Text != record.Cells[i].Text) std::abort();
        }
        if (again.Next(back)) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    for (CSVCharset charset : {CSVCharset::kUTF8, CSVCharset::kANSI}) {
        std::string text, error;
        if (!DecodeCSVText(bytes, charset, text, error)) {
            if (error.empty()) std::abort();  // a refusal must say why
            continue;
        }
        if (!IsValidUtf8(text) || text.find('\0') != std::string::npos) std::abort();
        CheckReader(text);
    }
    // The reader takes any bytes, not only decoded text.
    CheckReader(bytes);
    return 0;
}
