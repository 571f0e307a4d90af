// A driver on the scripted link with recording framework doubles, a temporary
// log directory and an empty mission configuration file.
#ifndef TESTS_DRIVERFIXTURE_H
#define TESTS_DRIVERFIXTURE_H

#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "AQ9.h"
#include "AQ9TestAccess.h"
#include "FakeSensor.h"
#include "FrameworkRecorder.h"

struct DriverFixture
{
    DriverFixture()
    {
        fw::reset();
        char tmpl[] = "/tmp/aq9testXXXXXX";
        dir = mkdtemp(tmpl);
        setenv("AUV_LOG_DIR", dir.c_str(), 1);
        cfg = dir + "/mission.cfg";
        writeConfig("");
        sensor = new FakeSensor();
        out = new AQ9Output(SharedData::ReadWrite, 1);
        rawOut = new AQ9RawMeasOutput(SharedData::ReadWrite, 1);
        aq9 = new AQ9(sensor, out, rawOut, cfg.c_str());
    }

    ~DriverFixture()
    {
        delete aq9;
        delete rawOut;
        delete out;
        delete sensor;
        std::string cmd = "rm -rf '" + dir + "'";
        if (system(cmd.c_str()) != 0)
            fprintf(stderr, "could not remove %s\n", dir.c_str());
        unsetenv("AUV_LOG_DIR");
    }

    void writeConfig(const std::string& text)
    {
        FILE* f = fopen(cfg.c_str(), "w");
        fputs(text.c_str(), f);
        fclose(f);
    }

    void post(AQ9Command::AQ9Commands code, float f = 0, float v0 = 0, float v1 = 0)
    {
        AQ9Command::Command cmd;
        cmd._cmd = code;
        cmd._float = f;
        cmd._v.c[0] = v0;
        cmd._v.c[1] = v1;
        fw::postMessage("AQ9Command", &cmd, sizeof cmd);
    }

    std::string dir;
    std::string cfg;
    FakeSensor* sensor;
    AQ9Output* out;
    AQ9RawMeasOutput* rawOut;
    AQ9* aq9;
};

#endif
