// aq9sim's command line: what is accepted, what names a bad argument.
#include <string>
#include <vector>

#include "CppUTest/TestHarness.h"
#include "Options.h"

using namespace aq9sim;

namespace {

ParseResult parse(std::vector<const char*> args, Options* o, std::string* error)
{
    args.insert(args.begin(), "aq9sim");
    return parseOptions(static_cast<int>(args.size()), args.data(), o, error);
}

} // namespace

TEST_GROUP(Options){};

TEST(Options, reads_every_option_in_both_spellings)
{
    Options o;
    std::string error;
    CHECK_EQUAL(PARSE_OK, parse({"--motion", "seaway", "--time-scale=20", "--soft-iron", "1,0,0,0,2,0,0,0,3",
                                 "--hard-iron=10,-20,30", "--noise", "0", "--seed", "42", "--fault", "silent@1+2",
                                 "--fault=slow@5+1", "--state", "/tmp/s.json", "--link", "/tmp/l", "--duration", "9",
                                 "--verbose"},
                                &o, &error));
    CHECK_EQUAL(MOTION_SEAWAY, o.env.motion);
    DOUBLES_EQUAL(20.0, o.env.timeScale, 0.0);
    DOUBLES_EQUAL(2.0, o.env.softIron[4], 0.0);
    DOUBLES_EQUAL(-20.0, o.env.hardIron_mG[1], 0.0);
    DOUBLES_EQUAL(0.0, o.env.noise_mG, 0.0);
    CHECK_EQUAL(42u, o.env.seed);
    CHECK_EQUAL(2u, o.faults.size());
    CHECK_EQUAL(FAULT_SLOW, o.faults[1].kind);
    STRCMP_EQUAL("/tmp/s.json", o.statePath.c_str());
    STRCMP_EQUAL("/tmp/l", o.link.c_str());
    DOUBLES_EQUAL(9.0, o.duration, 0.0);
    CHECK(o.verbose);
    CHECK_EQUAL(PARSE_HELP, parse({"--noise", "1", "--help"}, &o, &error));
}

TEST(Options, names_the_bad_argument)
{
    const struct
    {
        std::vector<const char*> args;
        const char* error;
    } rows[] = {
        {{"--speed", "3"}, "unknown option '--speed'"},
        {{"--motion", "fly"}, "bad value for --motion: 'fly'"},
        {{"--time-scale", "0"}, "bad value for --time-scale: '0'"},
        {{"--soft-iron", "1,0,0"}, "bad value for --soft-iron: '1,0,0'"},
        {{"--hard-iron", "1,2,3,4"}, "bad value for --hard-iron: '1,2,3,4'"},
        {{"--noise", "-1"}, "bad value for --noise: '-1'"},
        {{"--seed", "x"}, "bad value for --seed: 'x'"},
        {{"--fault", "loud@1+1"}, "bad value for --fault: 'loud@1+1'"},
        {{"--duration"}, "option --duration needs a value"},
        {{"--state="}, "bad value for --state: ''"},
    };
    for (const auto& row : rows)
    {
        Options o;
        std::string error;
        CHECK_EQUAL_TEXT(PARSE_ERROR, parse(row.args, &o, &error), row.error);
        STRCMP_EQUAL(row.error, error.c_str());
    }
}
