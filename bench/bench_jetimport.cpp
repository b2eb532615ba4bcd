// Import of an office-sized older Jet cme.mdb (2,000 participants, 300 conferences, 20,000
// attendances, written by the test fixtures' Jet writer): the whole import-mdb into a fresh
// folder, against libmdb's own mdb-export reading every table once.
// Usage: bench_jetimport [DIR]   (DIR is not used: the fixture is made in a temporary folder)

#include "TBenchSupport.h"
#include "support/TJetFixture.h"
#include "tools/TJetImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir fixture;
    TJetWriter writer;
    TJetFixture::BuildOffice(writer, {});
    const QString jet = QDir(fixture.path()).filePath(QStringLiteral("office.mdb"));
    writer.Write(jet);

    int run = 0;
    const double importMs = TBench::MedianMs(5, [&] {
        const QString folder = QDir(fixture.path()).filePath(QStringLiteral("run%1").arg(run++));
        QDir().mkpath(folder);
        TJetImport import(jet);
        import.WriteFolder(folder);
    });
    const double exportMs = TBench::MedianMs(5, [&] {
        for (const QString& table : writer.TableNames())
            TJetFixture::Run(QStringLiteral("mdb-export"), {jet, table});
    });
    TBench::Print("mdb_import_ms", importMs);
    TBench::Print("mdb_import_vs_mdb_export_ratio", importMs / exportMs);
    return importMs <= 5000 ? 0 : 1;
}
