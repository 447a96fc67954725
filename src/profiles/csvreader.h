#pragma once
// CSVReader: splits comma-separated text into records, every value as text.
//
// Quoting: a value in double quotes may hold commas, line breaks and double
// quotes (written twice); blanks around a quoted value are ignored, and blanks
// around a value without quotes are trimmed. A value without quotes must not
// hold a double quote. Records end at a line break (CR LF, LF or CR) outside
// quotes; blank lines are skipped.
//
// A malformed record is returned with its error and the reader goes on with
// the next physical line, so one bad line never swallows the rest of a file.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct CSVCell {
    std::string Text;
    bool Quoted = false;  // written in double quotes ("" is an empty quoted value)
};

struct CSVRecord {
    int Line = 0;  // the physical line the record begins on, from 1
    std::vector<CSVCell> Cells;
    std::string Error;  // why the record is malformed (English); "" when well formed
};

class CSVReader {
  public:
    // The reader keeps a view: `text` must outlive it.
    explicit CSVReader(std::string_view text) : text_(text) {}

    // The next record (well formed or not); false at the end of the text.
    bool Next(CSVRecord& record);

  private:
    bool AtLineEnd() const;
    void SkipLineEnd();  // one CR LF, LF or CR
    void SkipBlanks();   // spaces and tabs
    void SkipBlankLines();
    // Goes on at the physical line after the one `from` stands on.
    void ResumeAfterLine(std::size_t from, int line);
    bool ReadQuoted(CSVRecord& record, std::size_t recordStart);
    bool ReadPlain(CSVRecord& record);

    std::string_view text_;
    std::size_t pos_ = 0;
    int line_ = 1;
};
