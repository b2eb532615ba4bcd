#pragma once

#include <QString>

// The progress of a long document run. The program shows it as a window with a Cancel button;
// tests answer it from a script. A run asks for it only when it walks more than Threshold rows,
// so short runs show nothing.
class TProgress
{
public:
    static constexpr int Threshold = 10000;

    virtual ~TProgress() = default;

    // A run of total steps begins; text says what it does.
    virtual void Begin(const QString& text, int total) = 0;
    // done steps of the total are finished. Returns false once the user has cancelled: the run
    // then stops and writes nothing.
    virtual bool Step(int done) = 0;
    // The run has ended (finished, cancelled or failed).
    virtual void End() = 0;
};

// One run's use of a TProgress: begins it when the run is long enough, reports every few
// steps, and ends it on every way out.
class TProgressRun
{
public:
    TProgressRun(TProgress* progress, const QString& text, int total);
    ~TProgressRun();
    TProgressRun(const TProgressRun&) = delete;
    TProgressRun& operator=(const TProgressRun&) = delete;

    // Counts one more step; false when the user cancelled.
    bool Step();
    bool Cancelled() const { return m_cancelled; }

private:
    TProgress* m_progress = nullptr; // null for a short run
    int m_done = 0;
    bool m_cancelled = false;
};
