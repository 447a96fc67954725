// Guest profile import and export of 50,000 guests on the embedded engine.
// Target: an import of 50,000 guests (new or matched) under 10 s.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <fstream>
#include <string>

#include "benchsupport.h"
#include "profiles/guestcsv.h"
#include "sql/sqldb.h"

namespace {

constexpr int kGuests = 50000;

// A file of kGuests guests with every exported field, accounts "B" + n.
std::string GuestFile(const std::string& folder, const std::string& lastName) {
    const std::string path = folder + "/guests-" + lastName + ".csv";
    std::ofstream out(path, std::ios::binary);
    out << "DYSalutation,DYLastName,DYFirstName,DYChineseName,ContactPhone,DYSMSContact,Email,"
           "DYAccountNo,DYHolderNo,DYMemCategory,ReceiveSMS,ReceiveEmail,Gender,DateOfBirth,"
           "BlackList,BlackListCaption,CompanyName\r\n";
    for (int i = 1; i <= kGuests; ++i) {
        const std::string n = std::to_string(i);
        out << "\"Ms\",\"" << lastName << "\",\"Amy " << n << "\",\"陳美玲\",\"9" << n << "\",\"9"
            << n << "\",\"amy" << n << "@example.com\",\"B" << n << "\",\"01\",\"GOLD\",\"YES\","
            << "\"NO\",\"F\",\"1980-0" << (i % 9 + 1) << "-1" << (i % 9) << "\",\"NO\",,\"Harbour "
            << "Ltd, \"\"Pier\"\" 3\"\r\n";
    }
    return path;
}

struct Fixture {
    BenchInstallation inst{"ct-guestcsv"};
    SQLDB db;
    std::string inserts = GuestFile(inst.Root(), "Chan");
    std::string updates = GuestFile(inst.Root(), "Wong");
    Fixture() {
        db.SetConnectionString("Provider=SQLite;Data Source=" + inst.Database());
        db.SetKeepConnection(true);
    }
    void RemoveImported() {
        if (!db.RunSQLNoReturn("DELETE FROM tbl_Guest WHERE DYAccountNo LIKE 'B%'")) std::abort();
    }
    GuestImportResult Import(const std::string& path) {
        GuestCSV csv(db);
        csv.SetPlaceholderAccount("99999999");
        GuestImportResult r;
        if (!csv.ImportGuestProfile(path, CSVCharset::kUTF8, r)) std::abort();
        return r;
    }
};

Fixture& F() {
    static Fixture f;
    return f;
}

// 50,000 new guests: checked, staged, inserted and numbered.
void BM_GuestImportNew(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        F().RemoveImported();
        state.ResumeTiming();
        const GuestImportResult r = F().Import(F().inserts);
        if (r.Inserted != kGuests) state.SkipWithError("not every guest was inserted");
    }
    state.SetItemsProcessed(state.iterations() * kGuests);
}
BENCHMARK(BM_GuestImportNew)->Unit(benchmark::kMillisecond)->Iterations(3);

// The same 50,000 guests again: every one matched and updated.
void BM_GuestImportMatched(benchmark::State& state) {
    F().RemoveImported();
    F().Import(F().inserts);
    for (auto _ : state) {
        const GuestImportResult r = F().Import(F().updates);
        if (r.Updated != kGuests || r.Inserted != 0) state.SkipWithError("not every guest matched");
    }
    state.SetItemsProcessed(state.iterations() * kGuests);
}
BENCHMARK(BM_GuestImportMatched)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_GuestExport(benchmark::State& state) {
    GuestCSV csv(F().db);
    csv.SetPlaceholderAccount("99999999");
    const std::string path = F().inst.Root() + "/export.csv";
    for (auto _ : state) {
        if (!csv.ExportGuestProfile(path)) state.SkipWithError("export failed");
    }
    state.SetItemsProcessed(state.iterations() * csv.ExportedCount());
}
BENCHMARK(BM_GuestExport)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
