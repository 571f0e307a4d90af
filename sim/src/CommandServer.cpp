#include "CommandServer.h"

#include <math.h>
#include <stdio.h>

#include "AsciiOutput.h"
#include "BinaryOutput.h"
#include "aq/protocol/upack.h"

namespace aq9sim {

namespace {

const double kNever = 1e300;
const double kImuRate = 800.0; // binary output rate = this / rate divisor

std::vector<std::string> split(const std::string& body)
{
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;)
    {
        const size_t comma = body.find(',', start);
        parts.push_back(body.substr(start, comma - start));
        if (comma == std::string::npos)
            return parts;
        start = comma + 1;
    }
}

// A register number field: decimal digits naming a register the unit has.
const RegisterSpec* registerFromText(const std::string& s)
{
    if (s.empty() || s.size() > 3 || s.find_first_not_of("0123456789") != std::string::npos)
        return nullptr;
    return findRegister(atoi(s.c_str()));
}

std::string jsonBool(bool b) { return b ? "true" : "false"; }

std::string jsonNumbers(const double* v, int n)
{
    std::string s;
    char b[32];
    for (int k = 0; k < n; k++)
    {
        snprintf(b, sizeof b, "%s%.4f", k ? ", " : "", v[k]);
        s += b;
    }
    return s;
}

// The truth behind the last polled record: what a test or a demonstration
// compares the driver's output with (nothing here goes over the wire).
std::string lastPollJson(bool polled, const Sample& s, const std::vector<double>& reference)
{
    if (!polled)
        return "null";
    const double site = sqrt(reference[0] * reference[0] + reference[1] * reference[1] + reference[2] * reference[2]);
    const double field = sqrt(s.mag[0] * s.mag[0] + s.mag[1] * s.mag[1] + s.mag[2] * s.mag[2]);
    char b[256];
    snprintf(b, sizeof b,
             "{\"simTime\": %.3f, \"magHeadingErrorDeg\": %.4f, \"fieldG\": %.6f, \"siteFieldG\": %.6f, ",
             static_cast<double>(s.timeStartup_ns) / 1e9, s.magHeadingError_deg, field, site);
    return b + ("\"trueYpr\": [" + jsonNumbers(s.trueYpr, 3) + "], \"reportedYpr\": [" + jsonNumbers(s.ypr, 3) +
                "]}");
}

} // namespace

CommandServer::CommandServer(const Environment& env)
    : _unit(env), _inCommand(false), _overflowed(false), _deafUntil(0.0), _asyncPaused(false),
      _knownAccelDisturbance(false), _changed(false), _lastPolled(), _polled(false)
{
    reschedule(0.0);
}

void CommandServer::receive(const char* data, size_t n, double now, std::vector<std::string>& out)
{
    for (size_t i = 0; i < n; i++)
    {
        const char ch = data[i];
        if (ch == '$')
        {
            // A new command start abandons an unfinished one.
            _line.assign(1, ch);
            _inCommand = true;
            _overflowed = false;
        }
        else if (ch == '\r' || ch == '\n')
        {
            if (_inCommand)
                handleCommand(_line, now, out);
            _inCommand = false;
        }
        else if (_inCommand)
        {
            _line += ch;
            if (_line.size() > kMaxCommand)
            {
                _inCommand = false;
                if (now >= _deafUntil)
                    report(ERR_SERIAL_BUFFER_OVERFLOW, out);
            }
        }
    }
}

std::string CommandServer::frame(const std::string& body) const
{
    return frameSentence(body, static_cast<int>(_unit.registers().num(30, 4)));
}

void CommandServer::handleCommand(const std::string& line, double now, std::vector<std::string>& out)
{
    if (now < _deafUntil)
        return;
    const std::string packetText = line + "\r\n";
    AqUartPacket packet;
    AqUartPacket_initialize(&packet, reinterpret_cast<uint8_t*>(const_cast<char*>(packetText.data())),
                            packetText.size());
    SensorError e = ERR_INVALID_CHECKSUM;
    if (AqUartPacket_isValid(&packet))
    {
        const size_t star = line.rfind('*');
        const std::string body = line.substr(1, (star == std::string::npos ? line.size() - 2 : star) - 1);
        std::vector<std::string> args = split(body);
        const std::string head = args[0];
        args.erase(args.begin());
        e = (head.size() == 5 && head.compare(0, 2, "AQ") == 0) ? dispatch(head.substr(2), args, now, out)
                                                                 : ERR_INVALID_COMMAND;
    }
    if (e != ERR_NONE)
        report(e, out);
}

void CommandServer::report(SensorError e, std::vector<std::string>& out)
{
    _counts["errors"]++;
    // Error mode 0: the unit keeps its errors to itself.
    if (_unit.registers().num(30, 6) != 0)
        out.push_back(errorReport(e, static_cast<int>(_unit.registers().num(30, 4))));
}

SensorError CommandServer::dispatch(const std::string& code, const std::vector<std::string>& args, double now,
                                    std::vector<std::string>& out)
{
    SensorError e = ERR_INVALID_COMMAND;
    if (code == "RRG")
        e = readRegister(args, now, out);
    else if (code == "WRG")
        e = writeRegister(args, now, out);
    else if (code == "BOM")
        e = pollBinary(args, now, out);
    else if (code == "KMD" || code == "KAD" || code == "ASY")
        e = flagCommand(code, args, out);
    else if (code == "WNV" || code == "RFS" || code == "RST" || code == "TAR" || code == "SGB")
    {
        if (!args.empty())
            return ERR_TOO_MANY_PARAMETERS;
        out.push_back(frame("AQ" + code));
        if (code == "WNV")
            _unit.registers().save();
        else if (code == "RST" || code == "RFS")
            restart(now, code == "RFS");
        _changed = true;
        e = ERR_NONE;
    }
    if (e == ERR_NONE)
        _counts[code]++;
    return e;
}

SensorError CommandServer::readRegister(const std::vector<std::string>& args, double now,
                                        std::vector<std::string>& out)
{
    if (args.empty())
        return ERR_NOT_ENOUGH_PARAMETERS;
    if (args.size() > 1)
        return ERR_TOO_MANY_PARAMETERS;
    const RegisterSpec* reg = registerFromText(args[0]);
    if (reg == nullptr)
        return ERR_INVALID_REGISTER;
    const RegisterValue v = reg->kind == REG_MEASUREMENT ? _unit.measured(reg->number, simTime(now))
                                                          : _unit.registers().get(reg->number);
    out.push_back(frame("AQRRG," + registerNumberText(reg->number) + formatFields(*reg, v)));
    return ERR_NONE;
}

SensorError CommandServer::writeRegister(const std::vector<std::string>& args, double now,
                                         std::vector<std::string>& out)
{
    if (args.empty())
        return ERR_NOT_ENOUGH_PARAMETERS;
    const RegisterSpec* reg = registerFromText(args[0]);
    if (reg == nullptr)
        return ERR_INVALID_REGISTER;
    if (reg->kind == REG_IDENTITY || reg->kind == REG_MEASUREMENT)
        return ERR_UNAUTHORIZED_ACCESS;
    RegisterValue v;
    const SensorError e = parseFields(*reg, std::vector<std::string>(args.begin() + 1, args.end()), &v);
    if (e != ERR_NONE)
        return e;
    _unit.write(reg->number, v, simTime(now));
    if (reg->number == 6 || reg->number == 7 || reg->kind == REG_BINARY_OUTPUT)
        reschedule(now);
    _changed = true;
    // The reply shows the register as stored (after any recomputation) in the check form now in force.
    out.push_back(frame("AQWRG," + registerNumberText(reg->number) +
                        formatFields(*reg, _unit.registers().get(reg->number))));
    return ERR_NONE;
}

SensorError CommandServer::pollBinary(const std::vector<std::string>& args, double now, std::vector<std::string>& out)
{
    if (args.empty())
        return ERR_NOT_ENOUGH_PARAMETERS;
    if (args.size() > 1)
        return ERR_TOO_MANY_PARAMETERS;
    if (args[0].size() != 1 || args[0][0] < '1' || args[0][0] > '3')
        return ERR_INVALID_PARAMETER;
    const RegisterValue& cfg = _unit.registers().get(74 + (args[0][0] - '0'));
    const Sample sample = _unit.sample(simTime(now));
    const std::string record = binaryRecord(cfg, sample);
    if (record.empty())
        return ERR_INVALID_PARAMETER;
    out.push_back(record);
    _lastPolled = sample;
    _polled = true;
    return ERR_NONE;
}

// "KMD"/"KAD" (known magnetic / acceleration disturbance) and "ASY" (pause or
// resume the unsolicited output) take one field, 0 or 1, echoed in the reply.
SensorError CommandServer::flagCommand(const std::string& code, const std::vector<std::string>& args,
                                       std::vector<std::string>& out)
{
    if (args.empty())
        return ERR_NOT_ENOUGH_PARAMETERS;
    if (args.size() > 1)
        return ERR_TOO_MANY_PARAMETERS;
    if (args[0] != "0" && args[0] != "1")
        return ERR_INVALID_PARAMETER;
    const bool on = args[0] == "1";
    if (code == "KMD")
        _unit.setKnownMagDisturbance(on);
    else if (code == "KAD")
        _knownAccelDisturbance = on;
    else
        _asyncPaused = !on;
    _changed = true;
    out.push_back(frame("AQ" + code + "," + args[0]));
    return ERR_NONE;
}

void CommandServer::restart(double now, bool factory)
{
    if (factory)
        _unit.registers().restoreFactory();
    _unit.restart(simTime(now));
    _asyncPaused = false;
    _knownAccelDisturbance = false;
    _inCommand = false;
    _deafUntil = now + kBootSeconds;
    reschedule(_deafUntil);
}

void CommandServer::reschedule(double from)
{
    const RegisterFile& r = _unit.registers();
    _nextAscii = r.num(6, 0) != 0 ? from + 1.0 / r.num(7, 0) : kNever;
    for (int i = 0; i < 3; i++)
    {
        const RegisterValue& cfg = r.get(75 + i);
        const double mode = cfg.num[BO_ASYNC_MODE];
        // This port is the unit's port 1 (asynchronous modes 1 and 3).
        const bool onThisPort = (mode == 1 || mode == 3) && cfg.num[BO_GROUPS] != 0;
        _nextBinary[i] = onThisPort ? from + cfg.num[BO_RATE_DIVISOR] / kImuRate : kNever;
    }
}

void CommandServer::poll(double now, std::vector<std::string>& out)
{
    if (now < _deafUntil)
        return;
    const RegisterFile& r = _unit.registers();
    const int check = static_cast<int>(r.num(30, 4));
    if (now >= _nextAscii)
    {
        const double period = 1.0 / r.num(7, 0);
        if (!_asyncPaused)
        {
            const std::string s = asyncSentence(static_cast<unsigned>(r.num(6, 0)), _unit.sample(simTime(now)), check);
            if (!s.empty())
                out.push_back(s), _counts["asyncSentences"]++;
        }
        // A late loop sends the latest sentence once rather than a burst.
        _nextAscii = fmax(_nextAscii + period, now);
    }
    for (int i = 0; i < 3; i++)
    {
        if (now < _nextBinary[i])
            continue;
        const RegisterValue& cfg = r.get(75 + i);
        if (!_asyncPaused)
            out.push_back(binaryRecord(cfg, _unit.sample(simTime(now)))), _counts["binaryRecords"]++;
        _nextBinary[i] = fmax(_nextBinary[i] + cfg.num[BO_RATE_DIVISOR] / kImuRate, now);
    }
}

double CommandServer::nextOutputTime() const
{
    double t = _nextAscii;
    for (double b : _nextBinary)
        t = fmin(t, b);
    return fmax(t, _deafUntil);
}

bool CommandServer::takeChanged()
{
    const bool c = _changed;
    _changed = false;
    return c;
}

std::string CommandServer::stateJson(double now) const
{
    std::string regs, saved;
    for (const RegisterSpec& reg : registerCatalogue())
    {
        if (reg.kind == REG_MEASUREMENT)
            continue;
        std::string name = reg.name;
        if (reg.kind == REG_BINARY_OUTPUT)
            name += std::to_string(reg.number - 74);
        const std::string sep = regs.empty() ? "\n    " : ",\n    ";
        regs += sep + "\"" + name + "\": " + fieldsJson(reg, _unit.registers().get(reg.number));
        saved += sep + "\"" + name + "\": " + fieldsJson(reg, _unit.registers().saved(reg.number));
    }
    std::string counts;
    for (const auto& c : _counts)
        counts += (counts.empty() ? "" : ", ") + ("\"" + c.first + "\": " + std::to_string(c.second));
    std::string rot;
    for (int k = 0; k < 9; k++)
        rot += (k ? ", " : "") + std::to_string(_unit.activeRotation()[k]);
    char times[96];
    snprintf(times, sizeof times, "\"wallTime\": %.3f, \"simTime\": %.3f", now, simTime(now));
    return std::string("{\n  ") + times + ",\n  \"motion\": \"" + motionName(_unit.environment().motion) +
           "\",\n  \"knownMagneticDisturbance\": " + jsonBool(_unit.knownMagDisturbance()) +
           ",\n  \"knownAccelerationDisturbance\": " + jsonBool(_knownAccelDisturbance) +
           ",\n  \"asyncOutputPaused\": " + jsonBool(_asyncPaused) + ",\n  \"activeRotation\": [" + rot +
           "],\n  \"lastPoll\": " + lastPollJson(_polled, _lastPolled, _unit.registers().get(21).num) +
           ",\n  \"counts\": {" + counts + "},\n  \"registers\": {" + regs + "\n  },\n  \"savedRegisters\": {" +
           saved + "\n  }\n}\n";
}

} // namespace aq9sim
