#pragma once

#include <QString>

class QPrinter;

// Holds a print job back until every page is painted, so a Cancel while the pages are written
// sends nothing to the printer. Under CUPS the printer writes its job into a spool file of ours
// and Submit() hands it to the print server; elsewhere the job goes to the system as it is
// painted and Discard() aborts it. Create it before painting begins; the spool file goes with
// the object.
class TPrintSpool
{
public:
    explicit TPrintSpool(QPrinter& printer);
    ~TPrintSpool();
    TPrintSpool(const TPrintSpool&) = delete;
    TPrintSpool& operator=(const TPrintSpool&) = delete;

    // Sends the painted job (after the painter ended) to the printer; throws TError when the
    // print server refuses it.
    void Submit();
    // Drops the job (the painter may still be active): nothing reaches the printer.
    void Discard();

private:
    QPrinter& m_printer;
    QString m_file; // the spool file; empty where the system spools the job itself
};
