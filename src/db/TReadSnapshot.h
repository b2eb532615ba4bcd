#pragma once

class TConnection;

// Keeps one read transaction open while a run walks a list whose details re-read at every
// row: the engine then takes its read lock and checks the file once, not at every statement,
// and every row comes from the same state of the file. Nothing is written meanwhile. A
// transaction already open serves the same purpose and is left alone; one that cannot be
// begun only costs the speed.
class TReadSnapshot
{
public:
    explicit TReadSnapshot(TConnection& conn);
    ~TReadSnapshot();
    TReadSnapshot(const TReadSnapshot&) = delete;
    TReadSnapshot& operator=(const TReadSnapshot&) = delete;

private:
    TConnection& m_conn;
    bool m_open = false;
};
