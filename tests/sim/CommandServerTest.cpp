// The simulated unit's side of the serial protocol, fed the commands the
// protocol library generates and checked with the library's own packet rules.
#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include "CommandServer.h"
#include "CppUTest/TestHarness.h"
#include "aq/hsi/aqhsi.h"
#include "aq/protocol/upack_commands.h"

using namespace aq9sim;

namespace {

const AqErrorDetectionMode CRC = AQERRORDETECTIONMODE_CRC;

// One command from a library generator called with (b, sizeof b, CRC, &n, ...).
#define GEN(call)                                                                                                      \
    ([&]() {                                                                                                           \
        char b[256];                                                                                                   \
        size_t n = 0;                                                                                                  \
        CHECK_EQUAL(E_NONE, call);                                                                                     \
        return std::string(b, n);                                                                                      \
    }())

bool intact(const std::string& packet)
{
    AqUartPacket p;
    AqUartPacket_initialize(&p, reinterpret_cast<uint8_t*>(const_cast<char*>(packet.data())), packet.size());
    return AqUartPacket_isValid(&p) != 0;
}

// The text between '$' and '*'.
std::string body(const std::string& sentence) { return sentence.substr(1, sentence.rfind('*') - 1); }

int errorNumber(const std::string& sentence)
{
    std::string copy = sentence;
    AqUartPacket p;
    AqUartPacket_initialize(&p, reinterpret_cast<uint8_t*>(&copy[0]), copy.size());
    if (!AqUartPacket_isError(&p))
        return -1;
    uint8_t e = 0;
    AqUartPacket_parseError(&p, &e);
    return e;
}

mat3f matrix(float a, float b, float c, float d, float e, float f, float g, float h, float i)
{
    // Column by column, as the library stores it.
    mat3f m = {{a, d, g, b, e, h, c, f, i}};
    return m;
}

vec3f vec(float x, float y, float z) { return vec3f{{x, y, z}}; }

} // namespace

TEST_GROUP(CommandServer)
{
    Environment env;
    CommandServer* server;

    void setup() { server = new CommandServer(env); }
    void teardown() { delete server; }

    std::vector<std::string> send(const std::string& text, double now = 1.0)
    {
        std::vector<std::string> out;
        server->receive(text.data(), text.size(), now, out);
        return out;
    }

    // Sends one command and returns its only reply, which must be intact.
    std::string reply(const std::string& command, double now = 1.0)
    {
        std::vector<std::string> out = send(command, now);
        CHECK_EQUAL_TEXT(1, out.size(), command.c_str());
        CHECK_TEXT(intact(out[0]), out[0].c_str());
        return out[0];
    }
};

// Each write the driver makes, as the library generates it: the reply echoes
// the register as stored in the unit's formats, and a read gives the same fields.
TEST(CommandServer, echoes_every_register_the_driver_writes_and_reads_it_back_the_same)
{
    const vec3d site = {{-33.5, 151.25, 0.0}};
    const struct
    {
        const char* label;
        std::string command;
        const char* reply;
    } rows[] = {
        {"async type", GEN(AqUartPacket_genWriteAsyncDataOutputType(b, sizeof b, CRC, &n, 0)), "AQWRG,06,0"},
        {"protocol control",
         GEN(AqUartPacket_genWriteCommunicationProtocolControl(b, sizeof b, CRC, &n, 0, 0, 0, 0, 2, 2, 1)),
         "AQWRG,30,0,0,0,0,2,2,1"},
        {"binary output 1",
         GEN(AqUartPacket_genWriteBinaryOutput1(b, sizeof b, CRC, &n, 0, 800, 0x1528, 0, 0, 0, 0x0100, 0, 0)),
         "AQWRG,75,0,800,11,1528,0100"},
        {"binary output 2", GEN(AqUartPacket_genWriteBinaryOutput2(b, sizeof b, CRC, &n, 0, 800, 0, 0, 0x3E, 0, 0, 0, 0)),
         "AQWRG,76,0,800,04,003E"},
        {"estimator control", GEN(AqUartPacket_genWriteMagnetometerCalibrationControl(b, sizeof b, CRC, &n, 0, 1, 5)),
         "AQWRG,44,0,1,5"},
        {"magnetometer compensation",
         GEN(AqUartPacket_genWriteMagnetometerCompensation(b, sizeof b, CRC, &n,
                                                           matrix(1.25f, -0.5f, 0, 0, 0.75f, 0.125f, 0, 0, 1),
                                                           vec(0.1f, -0.2f, 0.3f))),
         "AQWRG,23,+1.250000,-0.500000,+0.000000,+0.000000,+0.750000,+0.125000,+0.000000,+0.000000,+1.000000,"
         "+0.100000,-0.200000,+0.300000"},
        {"rotation", GEN(AqUartPacket_genWriteReferenceFrameRotation(b, sizeof b, CRC, &n, matrix(-1, 0, 0, 0, -1, 0, 0, 0, 1))),
         "AQWRG,26,-1.000000,+0.000000,+0.000000,+0.000000,-1.000000,+0.000000,+0.000000,+0.000000,+1.000000"},
        {"gyro tuning",
         GEN(AqUartPacket_genWriteAfeGyroBasicTuning(b, sizeof b, CRC, &n, vec(1, 2, 3), vec(4, 5, 6), vec(7, 8, 9))),
         "AQWRG,40,+1.000000,+2.000000,+3.000000,+4.000000,+5.000000,+6.000000,+7.000000,+8.000000,+9.000000"},
        {"start-up bias",
         GEN(AqUartPacket_genWriteStartupFilterBiasEstimate(b, sizeof b, CRC, &n, vec(0.5f, 0, 0), vec(0, 0, -0.25f), 0)),
         "AQWRG,74,+0.500000,+0.000000,+0.000000,+0.000000,+0.000000,-0.250000,+0.000000"},
        {"filter control", GEN(AqUartPacket_genWriteAfeBasicControl(b, sizeof b, CRC, &n, 1, 2, 0, 1)), "AQWRG,35,1,2,0,1"},
        {"reference configuration",
         GEN(AqUartPacket_genWriteReferenceVectorConfiguration(b, sizeof b, CRC, &n, 1, 1, 0, 0, 100, 2024.5f, site)),
         "AQWRG,83,1,1,0,0,100,+2024.500000,-33.50000000,+151.25000000,+0.00000000"},
    };
    for (const auto& row : rows)
    {
        const std::string written = reply(row.command);
        STRCMP_EQUAL_TEXT(row.reply, body(written).c_str(), row.label);
        const std::string number = std::string(row.reply).substr(6, 2);
        const std::string read = reply("$AQRRG," + number + "*XX\r\n");
        STRCMP_EQUAL_TEXT(("AQRRG" + std::string(row.reply).substr(5)).c_str(), body(read).c_str(), row.label);
    }
}

// Each malformed command gets "$AQERR" with the unit's number for that fault.
TEST(CommandServer, reports_each_kind_of_bad_command_with_its_error_number)
{
    const struct
    {
        const char* label;
        std::string command;
        int error;
    } rows[] = {
        {"wrong checksum", "$AQRRG,01*7B\r\n", 3},
        {"wrong CRC", "$AQRRG,01*A662\r\n", 3},
        {"no check text", "$AQRRG,01\r\n", 3},
        {"unknown command", "$AQFOO*XX\r\n", 4},
        {"not a command header", "$XYRRG,01*XX\r\n", 4},
        {"read without register", "$AQRRG*XX\r\n", 5},
        {"read with a second field", "$AQRRG,01,2*XX\r\n", 6},
        {"read of a register the unit lacks", "$AQRRG,58*XX\r\n", 8},
        {"register that is not a number", "$AQRRG,x1*XX\r\n", 8},
        {"write of an identity register", "$AQWRG,01,AQ-9X*XX\r\n", 9},
        {"write of a measurement register", "$AQWRG,8,1,2,3*XX\r\n", 9},
        {"too few fields", "$AQWRG,44,1,3*XX\r\n", 5},
        {"too many fields", "$AQWRG,44,1,3,5,7*XX\r\n", 6},
        {"value out of range", "$AQWRG,44,1,2,5*XX\r\n", 7},
        {"byte field above 255", "$AQWRG,35,256,1,1,1*XX\r\n", 7},
        {"float that is not a number", "$AQWRG,26,1,0,0,0,1,0,0,0,abc*XX\r\n", 7},
        {"nan", "$AQWRG,26,1,0,0,0,1,0,0,0,nan*XX\r\n", 7},
        {"empty field", "$AQWRG,6,*XX\r\n", 7},
        {"unsupported async type", "$AQWRG,6,20*XX\r\n", 7},
        {"binary output missing a group word", "$AQWRG,75,0,800,11,1528*XX\r\n", 5},
        {"binary output group word without fields", "$AQWRG,75,0,800,10,1000*XX\r\n", 7},
        {"latitude beyond the pole", "$AQWRG,83,1,1,0,0,100,2024,91,0,0*XX\r\n", 7},
        {"save with a field", "$AQWNV,1*XX\r\n", 6},
        {"disturbance flag not 0 or 1", "$AQKMD,2*XX\r\n", 7},
        {"poll of an unconfigured output", "$AQBOM,3*XX\r\n", 7},
        {"poll of output 4", "$AQBOM,4*XX\r\n", 7},
        {"command longer than the unit's buffer", "$AQWRG,0," + std::string(300, 'a') + "*XX\r\n", 2},
    };
    for (const auto& row : rows)
        CHECK_EQUAL_TEXT(row.error, errorNumber(reply(row.command)), row.label);
    CHECK_EQUAL(sizeof rows / sizeof rows[0], server->counts().at("errors"));
    // Error mode 0 keeps the unit quiet about bad commands.
    reply("$AQWRG,30,0,0,0,0,1,1,0*XX\r\n");
    CHECK_EQUAL(0, send("$AQFOO*XX\r\n").size());
}

// Commands arrive in pieces, after noise, with CR, LF or both; each check form
// is verified; replies use the 8-bit checksum until the CRC is enabled.
TEST(CommandServer, frames_commands_from_any_split_and_answers_in_the_selected_check_form)
{
    std::vector<std::string> out;
    const std::string split = "\x01\xFAnoise$AQRR";
    server->receive(split.data(), split.size(), 1.0, out);
    CHECK_EQUAL(0, out.size());
    server->receive("G,01*A661\r\r\n", 12, 1.0, out);
    CHECK_EQUAL(1, out.size());
    STRCMP_EQUAL("$AQRRG,01,AQ-9T*06\r\n", out[0].c_str());
    STRCMP_EQUAL("$AQRRG,01,AQ-9T*06\r\n", reply("$AQRRG,01*7A\r\n").c_str());
    STRCMP_EQUAL("$AQRRG,01,AQ-9T*06\r\n", reply("$AQRRG,01*XX\n").c_str());
    // A '$' restarts an unfinished command.
    STRCMP_EQUAL("$AQRRG,01,AQ-9T*06\r\n", reply("$AQRRG,0$AQRRG,01*XX\r").c_str());
    reply("$AQWRG,30,0,0,0,0,2,2,1*XX\r\n");
    const std::string crcReply = reply("$AQRRG,01*XX\r\n");
    STRCMP_EQUAL("$AQRRG,01,AQ-9T*", crcReply.substr(0, 16).c_str());
    CHECK_EQUAL(16 + 4 + 2, crcReply.size());
}

// Settings survive a restart only when saved; a new rotation takes effect at
// the restart; the unit does not listen while it boots; factory values come
// back with a restore.
TEST(CommandServer, keeps_saved_settings_across_a_restart_and_applies_the_rotation_then)
{
    const std::string rot = "$AQWRG,26,-1,0,0,0,-1,0,0,0,1*XX\r\n";
    reply(rot);
    reply("$AQWRG,44,0,1,5*XX\r\n");
    DOUBLES_EQUAL(1.0, server->unit().activeRotation()[0], 0.0);
    reply("$AQWNV*XX\r\n");
    reply("$AQWRG,44,1,3,4*XX\r\n");
    STRCMP_EQUAL("AQRST", body(reply("$AQRST*XX\r\n", 2.0)).c_str());
    CHECK_EQUAL(0, send("$AQRRG,44*XX\r\n", 2.0 + CommandServer::kBootSeconds / 2).size());
    const double booted = 2.0 + CommandServer::kBootSeconds;
    STRCMP_EQUAL("AQRRG,44,0,1,5", body(reply("$AQRRG,44*XX\r\n", booted)).c_str());
    DOUBLES_EQUAL(-1.0, server->unit().activeRotation()[0], 0.0);
    reply("$AQRFS*XX\r\n", booted);
    STRCMP_EQUAL("AQRRG,44,1,3,5", body(reply("$AQRRG,44*XX\r\n", booted * 2)).c_str());
    DOUBLES_EQUAL(1.0, server->unit().activeRotation()[0], 0.0);
    CHECK_EQUAL(1, server->counts().at("RST"));
}

// A site gives the dipole field of the calibration engine and normal gravity.
TEST(CommandServer, computes_the_reference_vectors_for_the_configured_site)
{
    const struct
    {
        double lat, lon, gravity;
    } rows[] = {{0.0, 0.0, 9.7803}, {45.0, -60.0, 9.8062}, {-90.0, 10.0, 9.8322}};
    for (const auto& row : rows)
    {
        char cmd[96];
        snprintf(cmd, sizeof cmd, "$AQWRG,83,1,1,0,0,100,2024.5,%f,%f,0*XX\r\n", row.lat, row.lon);
        reply(cmd);
        std::string r = reply("$AQRRG,21*XX\r\n");
        AqUartPacket p;
        AqUartPacket_initialize(&p, reinterpret_cast<uint8_t*>(&r[0]), r.size());
        vec3f mag, acc;
        AqUartPacket_parseMagneticAndGravityReferenceVectors(&p, &mag, &acc);
        AqHsiConfig c;
        memset(&c, 0, sizeof c);
        c.latitude = static_cast<float>(row.lat);
        c.longitude = static_cast<float>(row.lon);
        const AqHsiDipole d = aqhsi_dipole_init(&c);
        DOUBLES_EQUAL(d.Bnorth, mag.c[0], 1e-6);
        DOUBLES_EQUAL(0.0, mag.c[1], 0.0);
        DOUBLES_EQUAL(d.Bdown, mag.c[2], 1e-6);
        DOUBLES_EQUAL(-row.gravity, acc.c[2], 1e-4);
    }
}

// As shipped the unit sends YMR sentences at 40 Hz until the host turns them
// off; a binary output in asynchronous mode streams at 800 Hz / divisor.
TEST(CommandServer, sends_unsolicited_output_at_the_configured_rates)
{
    std::vector<std::string> out;
    for (double t = 0.0; t < 1.0; t += 0.001)
        server->poll(t, out);
    CHECK(out.size() >= 39 && out.size() <= 40);
    vec3f ypr, mag, acc, gyro;
    AqUartPacket p;
    AqUartPacket_initialize(&p, reinterpret_cast<uint8_t*>(&out[5][0]), out[5].size());
    CHECK(intact(out[5]));
    CHECK_EQUAL(E_NONE, AqUartPacket_parseAQYMR(&p, &ypr, &mag, &acc, &gyro));
    DOUBLES_EQUAL(60.0, ypr.c[0], 2.0);
    DOUBLES_EQUAL(-9.8, acc.c[2], 0.05);

    reply("$AQWRG,6,0*XX\r\n");
    reply("$AQWRG,75,1,80,01,0008*XX\r\n");
    out.clear();
    for (double t = 1.0; t < 2.0; t += 0.001)
        server->poll(t, out);
    CHECK(out.size() >= 9 && out.size() <= 10);
    CHECK_EQUAL(static_cast<char>(0xFA), out[0][0]);
    CHECK_EQUAL(18, out[0].size());
    reply("$AQASY,0*XX\r\n");
    out.clear();
    for (double t = 2.0; t < 3.0; t += 0.001)
        server->poll(t, out);
    CHECK_EQUAL(0, out.size());
}

// The state file names every stored register with its fields.
TEST(CommandServer, state_holds_registers_by_name_and_the_counts)
{
    reply("$AQWRG,23,2,0,0,0,2,0,0,0,2,0.5,0,0*XX\r\n");
    reply("$AQKMD,1*XX\r\n");
    const std::string json = server->stateJson(1.0);
    CHECK(json.find("\"MagnetometerCompensation\": {\"number\": 23, \"c\": [2, 0, 0, 0, 2, 0, 0, 0, 2], "
                    "\"b\": [0.5, 0, 0]}") != std::string::npos);
    CHECK(json.find("\"BinaryOutput1\": {\"number\": 75, \"asyncMode\": 0") != std::string::npos);
    CHECK(json.find("\"knownMagneticDisturbance\": true") != std::string::npos);
    CHECK(json.find("\"counts\": {\"KMD\": 1, \"WRG\": 1}") != std::string::npos);
    CHECK(server->takeChanged());
    CHECK_FALSE(server->takeChanged());
}
