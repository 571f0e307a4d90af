#include "BlockWatch.h"

#include <stdlib.h>
#include <time.h>

#include <string>

#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"
#include "BlockFormat.h"
#include "HostClaim.h"
#include "HostPlatform.h"

namespace {

// One block read through the host platform, with what was printed last.
template <class Block>
struct Watched
{
    Watched() : block(SharedData::Read, 0) {}
    // False when the block cannot be read (no driver, or it has gone).
    bool read() { return block.SharedData::read(&block.data) >= 0; }
    bool hasRecord() const { return block.data.sampleTime.tv_sec != 0 || block.data.sampleTime.tv_nsec != 0; }
    // A record not printed yet: a new sample time or status.
    bool isNew() const
    {
        return !printed || block.data.sampleTime.tv_sec != last.tv_sec ||
               block.data.sampleTime.tv_nsec != last.tv_nsec || block.data.status != lastStatus;
    }
    void markPrinted()
    {
        printed = true;
        last = block.data.sampleTime;
        lastStatus = block.data.status;
    }

    Block block;
    bool printed = false;
    timespec last = {0, 0};
    int lastStatus = -1;
};

std::string prefixNote()
{
    const char* p = getenv(hostplatform::kIpcPrefixVariable);
    return p != nullptr && *p != '\0' ? std::string(" with ") + hostplatform::kIpcPrefixVariable + "=" + p : "";
}

void line(FILE* out, const std::string& text)
{
    fprintf(out, "%s\n", text.c_str());
    fflush(out);
}

void print(FILE* out, bool csv, const AQ9Output::Data& d)
{
    line(out, csv ? BlockFormat_csvAhrs(d) : BlockFormat_ahrsLine(d));
}

void print(FILE* out, bool csv, const AQ9RawMeasOutput::Data& d)
{
    line(out, csv ? BlockFormat_csvRaw(d) : BlockFormat_rawLine(d));
}

void headings(FILE* out, bool csv)
{
    if (csv)
        line(out, BlockFormat_csvHeader());
    else
    {
        line(out, BlockFormat_ahrsHeading());
        line(out, BlockFormat_rawHeading());
    }
}

const char kStarting[] = "the driver is starting up (against a sensor that takes about ten minutes)";

int once(Watched<AQ9Output>& ahrs, Watched<AQ9RawMeasOutput>& raw, const WatchOptions& o, FILE* out, FILE* err)
{
    headings(out, o.csv);
    print(out, o.csv, ahrs.block.data);
    print(out, o.csv, raw.block.data);
    if (ahrs.hasRecord() && raw.hasRecord())
        return 0;
    fprintf(err, "aq9watch: %s holds no record yet: %s\n", ahrs.hasRecord() ? "aq9RawMeasOutput" : "aq9Output",
            kStarting);
    return 1;
}

void sleepMs(int ms)
{
    timespec t = {ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&t, nullptr);
}

}  // namespace

int BlockWatch_run(const WatchOptions& o, FILE* out, FILE* err)
{
    // Blocks a killed driver left still read: only its claim tells it ran.
    if (!HostClaim_held())
    {
        fprintf(err, "aq9watch: no driver publishes%s: no aq9host runs; start aq9host first\n", prefixNote().c_str());
        return 1;
    }
    Watched<AQ9Output> ahrs;
    Watched<AQ9RawMeasOutput> raw;
    const bool haveAhrs = ahrs.read();
    if (!haveAhrs || !raw.read())
    {
        fprintf(err, "aq9watch: no shared-memory block %s yet: %s\n", haveAhrs ? "aq9RawMeasOutput" : "aq9Output",
                kStarting);
        return 1;
    }
    if (o.once)
        return once(ahrs, raw, o, out, err);
    headings(out, o.csv);
    if (!ahrs.hasRecord())
        fprintf(err, "aq9watch: waiting for the first record: %s\n", kStarting);
    // A driver that is killed leaves its blocks open: its claim is asked about once a second.
    const int claimEvery = o.pollMs > 0 && o.pollMs < 1000 ? 1000 / o.pollMs : 1;
    int untilClaim = claimEvery;
    while (!hostplatform::stopRequested())
    {
        const bool askClaim = --untilClaim == 0;
        if (askClaim)
            untilClaim = claimEvery;
        if (!ahrs.read() || !raw.read() || (askClaim && !HostClaim_held()))
        {
            fprintf(err, "aq9watch: the driver stopped publishing\n");
            return 0;
        }
        if (ahrs.isNew())
        {
            print(out, o.csv, ahrs.block.data);
            ahrs.markPrinted();
        }
        if (raw.isNew())
        {
            print(out, o.csv, raw.block.data);
            raw.markPrinted();
        }
        sleepMs(o.pollMs);
    }
    return 0;
}
