#include "profiles/csvfile.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "core/log.h"
#include "platform/textutil.h"
#include "profiles/csvwriter.h"
#include "sql/recordset.h"

namespace {

constexpr const char* kModule = "CSV";
constexpr const char* kSchemaFile = "schema.ini";
constexpr const char* kCrLf = "\r\n";

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream buffer;
    buffer << in.rdbuf();
    bytes = buffer.str();
    return !in.bad();
}

// Writes through a temporary file in the same folder and a rename, so a
// reader never finds half a file.
bool WriteWholeFile(const std::string& path, const std::string& text) {
    const std::string temp = path + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        out.close();
        if (!out) {
            std::error_code ec;
            std::filesystem::remove(temp, ec);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temp, path, ec);
    if (ec) std::filesystem::remove(temp, ec);
    return !ec;
}

std::string WithoutQuotes(std::string s) {
    std::erase(s, '"');
    return s;
}

// The lines of an INI text without the section `name` (case ignored).
std::string WithoutSection(const std::string& text, const std::string& name) {
    std::istringstream in(text);
    std::string line, kept;
    bool skipping = false;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string t = Trim(line);
        if (!t.empty() && t.front() == '[') {
            const auto close = t.find(']');
            skipping =
                close != std::string::npos && EqualsNoCase(Trim(t.substr(1, close - 1)), name);
        }
        if (!skipping) kept += line + kCrLf;
    }
    return kept;
}

void WriteValue(CSVWriter& w, const Variant& v, const std::string& format) {
    if (v.IsNull()) {
        w.Null();
        return;
    }
    if (!format.empty()) {
        if (auto date = v.ToDateTime()) {
            w.Text(CSV::FormatDate(*date, format));
            return;
        }
    }
    switch (v.Type()) {
        case VarType::Boolean:
            w.Number(v.ToBool() ? "1" : "0");
            break;
        case VarType::Integer:
        case VarType::Double:
        case VarType::Currency:
            w.Number(v.ToText());
            break;
        default:
            w.Text(v.ToText());
    }
}

}  // namespace

bool CSV::Fail(const std::string& procedure, const std::string& message) {
    message_ = message;
    SetErr(-1, kModule, procedure, message);
    WriteLog(message, kModule, procedure);
    return false;
}

std::string CSV::FormatDate(const DateTime& value, const std::string& format) {
    if (format == "YYYY-MM-DD")
        return value.DatePart() <= DateTime::Date(1900, 1, 1) ? "" : value.DateText();
    if (format == "YYYY-MM-DD HH:NN:SS")
        return value <= DateTime::Date(1900, 1, 1) ? "" : value.ToText();
    if (format == "HH:NN:SS") {
        const std::string t = value.TimeText();
        return t == "00:00:00" ? "" : t;
    }
    return value.ToText();
}

bool CSV::WriteSchemaIni(const std::string& folder, const std::string& fileName,
                         const std::vector<std::string>& columns, CSVCharset charset,
                         std::string& error) {
    const std::string path = (folder.empty() ? std::string(".") : folder) + "/" + kSchemaFile;
    std::string text;
    if (std::filesystem::exists(path) && !ReadWholeFile(path, text)) {
        error = "Cannot read " + path;
        return false;
    }
    text = WithoutSection(text, fileName);
    text += "[" + fileName + "]" + kCrLf + "Format=CSVDelimited" + kCrLf +
            "CharacterSet=" + CSVCharsetName(charset) + kCrLf;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        text += "COL" + std::to_string(i + 1) + "=\"" + WithoutQuotes(columns[i]) + "\" LongChar " +
                kCrLf;
    }
    if (!WriteWholeFile(path, text)) {
        error = "Cannot write " + path;
        return false;
    }
    return true;
}

bool CSV::LoadCSV(const std::string& path, const std::string& folder, CSVCharset charset,
                  CSVTable& out) {
    out = CSVTable{};
    message_.clear();
    ClearErr();
    std::string bytes, text, error;
    if (!ReadWholeFile(path, bytes)) return Fail("LoadCSV", "Cannot read file: " + path);
    if (!DecodeCSVText(bytes, charset, text, error))
        return Fail("LoadCSV", "Not a CSV text file: " + error);
    bytes.clear();
    CSVReader reader(text);
    CSVRecord header;
    if (!reader.Next(header) || !header.Error.empty() || header.Cells.empty())
        return Fail("LoadCSV", "Missing field line in file " + path);
    for (const CSVCell& cell : header.Cells)
        out.Columns.push_back(Trim(WithoutQuotes(cell.Text)));

    const std::filesystem::path file(path);
    const std::string dir = folder.empty() ? file.parent_path().string() : folder;
    if (!WriteSchemaIni(dir, file.filename().string(), out.Columns, charset, error))
        WriteLog(error, kModule, "LoadCSV", kLogWarning);

    CSVRecord record;
    while (reader.Next(record))
        out.Records.push_back(std::move(record));
    return true;
}

bool CSV::SaveCSVFile(const std::string& path, Recordset& rs,
                      const std::vector<std::string>& fieldNames,
                      const std::vector<std::string>& formats, int& count) {
    count = 0;
    message_.clear();
    ClearErr();
    if (static_cast<int>(fieldNames.size()) != rs.FieldCount() ||
        formats.size() != fieldNames.size()) {
        return Fail("SaveCSVFile",
                    "Invalid number of DBFieldNames " + std::to_string(fieldNames.size()));
    }
    CSVWriter w;
    for (const std::string& name : fieldNames)
        w.Number(name);  // names go bare, as the reading side expects
    w.EndLine();
    for (rs.MoveFirst(); !rs.Eof(); rs.MoveNext()) {
        for (int i = 0; i < rs.FieldCount(); ++i)
            WriteValue(w, *rs.Field(i), formats[static_cast<std::size_t>(i)]);
        w.EndLine();
        ++count;
    }
    if (!WriteWholeFile(path, w.Output())) {
        count = 0;
        return Fail("SaveCSVFile", "Cannot write file: " + path);
    }
    return true;
}
