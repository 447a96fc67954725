#include "profiles/csvwriter.h"

void CSVWriter::Separate() {
    if (lineStarted_) out_ += ',';
    lineStarted_ = true;
    ++cells_;
    onlyNull_ = false;
}

void CSVWriter::Text(std::string_view value) {
    Separate();
    out_ += '"';
    for (char c : value) {
        if (c == '"') out_ += '"';
        out_ += c;
    }
    out_ += '"';
}

void CSVWriter::Number(std::string_view value) {
    Separate();
    out_.append(value);
}

void CSVWriter::Null() {
    Separate();
    onlyNull_ = cells_ == 1;
}

void CSVWriter::EndLine() {
    if (onlyNull_) out_ += "\"\"";
    out_ += "\r\n";
    lineStarted_ = false;
    cells_ = 0;
    onlyNull_ = false;
}
