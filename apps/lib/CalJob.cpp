#include "CalJob.h"

#include <math.h>

#include "SnapshotReader.h"

namespace {

std::string describeWindow(const CalJob& job, const AhrsLogRead& log)
{
    const int64_t from = job.window.hasFrom ? job.window.from_ns : log.first_ns;
    const int64_t to = job.window.hasTo ? job.window.to_ns : log.last_ns;
    return "Samples: " + job.logPath + ", " + std::to_string(log.rows.size()) + " of its " +
           std::to_string(log.rowsInFile) + " records, from " + AhrsLogReader_formatUtc(from) + " to " +
           AhrsLogReader_formatUtc(to);
}

}  // namespace

bool CalJob_run(const CalJob& job, CalJobResult& result, std::string& error)
{
    SnapshotRead snap = SnapshotReader_read(job.snapshotPath);
    if (!snap.ok)
    {
        error = snap.error;
        return false;
    }
    AhrsLogRead log = AhrsLogReader_read(job.logPath, job.window);
    if (!log.ok)
    {
        error = log.error;
        return false;
    }
    CalReplaySetup setup = CalReplay_setupFrom(snap.settings, job.mode3D);
    if (job.hasSite)
    {
        setup.siteLat = job.siteLat;
        setup.siteLong = job.siteLong;
    }
    CalReplay_run(setup, log.rows, result.replay);
    result.caption.clear();
    result.caption.push_back(describeWindow(job, log));
    result.caption.push_back("Settings: " + job.snapshotPath + (job.hasSite ? " (site given apart)" : ""));
    result.note.clear();
    if (log.cutShort)
        result.note = job.logPath + ": the last line has no line end (a log cut off mid-write); left out";
    return true;
}

void CalJob_printSummary(FILE* out, const CalReplay& r)
{
    fprintf(out, "%s mode: %zu samples kept of %zu offered", r.setup.mode3D ? "3D" : "2D", r.kept.size(), r.offered);
    if (r.outcome.dropped > 0)
        fprintf(out, " (%u more dropped: buffer of %u full)", r.outcome.dropped, kHsiRunBufferCapacity);
    fputs("\n", out);
    if (r.outcome.err != E_NONE)
    {
        fprintf(out, "No calibration: %s\n", r.outcome.reason);
        return;
    }
    fputs("Grades:\n", out);
    const float* values = &r.fom.ellipsoidFitResidualsMean;
    for (int i = 0; i < AQHSI_NUM_FOM; i++)
    {
        const double v = i < 6 ? values[i] * 100.0 : values[i];
        // A mean that rounds to zero is shown without a sign.
        fprintf(out, "  %-34s %10.4f%s  %s\n", HsiRun_gradeName(i), fabs(v) < 5e-5 ? 0.0 : v, i < 6 ? " %" : "  ",
                HsiRun_gradeWord(r.scores[i]));
    }
    if (r.outcome.poor[0] != '\0')
        fprintf(out, "Graded Poor in %s: the driver would not load this result.\n", r.outcome.poor);
    fputs("Mission-file lines that load the result:\n", out);
    HsiRun_writeMissionLines(out, r.outcome.si, r.outcome.hi);
}
