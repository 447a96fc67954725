// The module routines beside SQLDB: quoting for hand-written SQL, field
// readers with defaults, binary columns to and from files.
#include <filesystem>
#include <fstream>

#include "core/log.h"
#include "sql/sqldb.h"

std::string SQLEscape(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        r += c;
        if (c == '\'') r += '\'';
    }
    return r;
}

std::string SQLStr(const std::string& s) {
    return "N'" + SQLEscape(s) + "'";
}

std::string SQLLikeContains(const std::string& s) {
    return "N'%" + SQLEscape(s) + "%'";
}

namespace {

const Variant* Value(const Recordset* rs, const std::string& field) {
    if (rs == nullptr) return nullptr;
    const Variant* v = rs->Field(field);
    return v == nullptr || v->IsNull() ? nullptr : v;
}

}  // namespace

std::string FieldStr(const Recordset* rs, const std::string& field, const std::string& def) {
    const Variant* v = Value(rs, field);
    return v == nullptr ? def : v->ToText();
}

DateTime FieldDate(const Recordset* rs, const std::string& field, const DateTime& def) {
    const Variant* v = Value(rs, field);
    if (v == nullptr) return def;
    auto d = v->ToDateTime();
    return d ? *d : def;
}

double FieldDbl(const Recordset* rs, const std::string& field, double def) {
    const Variant* v = Value(rs, field);
    return v == nullptr || !v->IsNumeric() ? def : v->ToDouble();
}

float FieldSng(const Recordset* rs, const std::string& field, float def) {
    const Variant* v = Value(rs, field);
    return v == nullptr || !v->IsNumeric() ? def : static_cast<float>(v->ToDouble());
}

int32_t FieldLng(const Recordset* rs, const std::string& field, int32_t def) {
    const Variant* v = Value(rs, field);
    if (v == nullptr || !v->IsNumeric()) return def;
    bool ok = false;
    int32_t r = v->ToInt32(&ok);
    return ok ? r : def;
}

bool BlobToFile(const Recordset* rs, const std::string& field, const std::string& path) {
    const Variant* v = rs == nullptr ? nullptr : rs->Field(field);
    if (v == nullptr) {
        WriteLog("Field is nothing", "modGlobalSub", "BlobToFile");
        return false;
    }
    std::error_code ec;
    if (std::filesystem::exists(path, ec)) {
        WriteLog("File " + path + " already exists !", "modGlobalSub", "BlobToFile");
        return false;
    }
    Bytes data = v->IsNull() ? Bytes{} : v->ToBytes();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    constexpr std::size_t kChunk = 64 * 1024;
    for (std::size_t off = 0; out && off < data.size(); off += kChunk) {
        std::size_t n = std::min(kChunk, data.size() - off);
        out.write(reinterpret_cast<const char*>(data.data() + off),
                  static_cast<std::streamsize>(n));
    }
    out.close();
    if (!out) {
        WriteLog("Cannot write file " + path, "modGlobalSub", "BlobToFile");
        return false;
    }
    return true;
}

bool FileToBlob(const std::string& path, Recordset& rs, const std::string& field) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        WriteLog("File " + path + " does not exist !", "modGlobalSub", "FileToBlob");
        return false;
    }
    Bytes data;
    char buf[64 * 1024];
    while (in.read(buf, sizeof buf) || in.gcount() > 0)
        data.insert(data.end(), buf, buf + in.gcount());
    if (!rs.SetValue(field, Variant(std::move(data)))) {
        WriteLog("Field is nothing", "modGlobalSub", "FileToBlob");
        return false;
    }
    return true;
}

std::shared_ptr<Recordset> FirstOpenRecordset(std::shared_ptr<Recordset> rs) {
    while (rs && !rs->IsOpen())
        rs = rs->NextRecordset();
    return rs;
}

std::shared_ptr<Recordset> LastRecordset(std::shared_ptr<Recordset> rs) {
    while (rs && rs->NextRecordset())
        rs = rs->NextRecordset();
    return rs;
}
