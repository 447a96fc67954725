#include "profiles/csvreader.h"

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsLineBreak(char c) {
    return c == '\r' || c == '\n';
}

}  // namespace

bool CSVReader::AtLineEnd() const {
    return pos_ < text_.size() && IsLineBreak(text_[pos_]);
}

void CSVReader::SkipLineEnd() {
    if (pos_ >= text_.size()) return;
    if (text_[pos_] == '\r' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '\n') ++pos_;
    ++pos_;
    ++line_;
}

void CSVReader::SkipBlanks() {
    while (pos_ < text_.size() && IsBlank(text_[pos_]))
        ++pos_;
}

void CSVReader::SkipBlankLines() {
    for (;;) {
        const std::size_t lineStart = pos_;
        SkipBlanks();
        if (pos_ >= text_.size()) return;
        if (!AtLineEnd()) {
            pos_ = lineStart;
            return;
        }
        SkipLineEnd();
    }
}

void CSVReader::ResumeAfterLine(std::size_t from, int line) {
    pos_ = from;
    while (pos_ < text_.size() && !IsLineBreak(text_[pos_]))
        ++pos_;
    line_ = line;
    SkipLineEnd();
}

bool CSVReader::ReadQuoted(CSVRecord& record, std::size_t recordStart) {
    CSVCell cell;
    cell.Quoted = true;
    ++pos_;  // the opening quote
    for (;;) {
        if (pos_ >= text_.size()) {
            // Going on after the record's first line keeps the rest of the
            // file: the stray quote is most likely on that line.
            record.Error = "Unclosed quote";
            ResumeAfterLine(recordStart, record.Line);
            return false;
        }
        const char c = text_[pos_];
        if (c == '"') {
            if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '"') {
                cell.Text += '"';
                pos_ += 2;
                continue;
            }
            ++pos_;
            break;
        }
        if (IsLineBreak(c)) {
            const std::size_t from = pos_;
            SkipLineEnd();
            cell.Text.append(text_.substr(from, pos_ - from));
            continue;
        }
        // Copy the run of ordinary characters at once.
        std::size_t end = pos_;
        while (end < text_.size() && text_[end] != '"' && !IsLineBreak(text_[end]))
            ++end;
        cell.Text.append(text_.substr(pos_, end - pos_));
        pos_ = end;
    }
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] != ',' && !AtLineEnd()) {
        record.Error = "Text after a closing quote";
        ResumeAfterLine(pos_, line_);
        return false;
    }
    record.Cells.push_back(std::move(cell));
    return true;
}

bool CSVReader::ReadPlain(CSVRecord& record) {
    const std::size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] != ',' && !IsLineBreak(text_[pos_])) {
        if (text_[pos_] == '"') {
            record.Error = "Quote inside a value without quotes";
            ResumeAfterLine(pos_, line_);
            return false;
        }
        ++pos_;
    }
    std::size_t end = pos_;
    while (end > start && IsBlank(text_[end - 1]))
        --end;
    record.Cells.push_back({std::string(text_.substr(start, end - start)), false});
    return true;
}

bool CSVReader::Next(CSVRecord& record) {
    record = CSVRecord{};
    SkipBlankLines();
    if (pos_ >= text_.size()) return false;
    record.Line = line_;
    const std::size_t start = pos_;
    for (;;) {
        SkipBlanks();
        const bool ok = pos_ < text_.size() && text_[pos_] == '"' ? ReadQuoted(record, start)
                                                                  : ReadPlain(record);
        if (!ok) {
            record.Cells.clear();
            return true;
        }
        if (pos_ >= text_.size()) return true;
        if (text_[pos_] == ',') {
            ++pos_;
            continue;
        }
        SkipLineEnd();
        return true;
    }
}
