#include "FrameworkRecorder.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <deque>

#include "AQ9IF.h"
#include "DataLog.h"
#include "EventService.h"
#include "Exception.h"
#include "MessageQueue.h"
#include "NavigationIF.h"
#include "SharedData.h"
#include "Syslog.h"
#include "System.h"
#include "Task.h"
#include "TaskInterface.h"

namespace {

struct State
{
    std::vector<std::string> lines;
    std::vector<int> sleeps;
    std::vector<fw::CallbackRecord> callbacks;
    std::vector<bool> refusedRegistrations;  // by registration attempt, from the next one on
    std::map<std::string, std::deque<std::vector<unsigned char>>> queues;
    std::map<std::string, int> sharedWrites;
    std::map<std::string, std::vector<unsigned char>> sharedBytes;
    std::map<std::string, std::vector<std::vector<double>>> logs;
    fw::NavigationScript nav = fw::NavReturnsPosition;
    double navLat = 0, navLng = 0, navDecl = 0;
    int navCreated = 0, navLive = 0;
};

State& state()
{
    static State s;
    return s;
}

}  // namespace

namespace fw {

void reset()
{
    state() = State();
}

std::vector<std::string>& syslogLines()
{
    return state().lines;
}

bool logged(const std::string& text)
{
    return loggedCount(text) > 0;
}

int loggedCount(const std::string& text)
{
    int n = 0;
    for (const std::string& line : state().lines)
        if (line.find(text) != std::string::npos)
            n++;
    return n;
}

std::vector<int>& sleeps()
{
    return state().sleeps;
}

std::vector<CallbackRecord>& callbacks()
{
    return state().callbacks;
}

void refuseRegistrations(const std::vector<bool>& refused)
{
    state().refusedRegistrations = refused;
}

void runCallbacks(unsigned int millisec)
{
    std::vector<CallbackRecord> copy = state().callbacks;
    for (const CallbackRecord& r : copy)
        if (r.millisec == millisec)
            (r.task->*r.callback)();
}

void postMessage(const std::string& queueName, const void* msg, size_t size)
{
    const unsigned char* p = static_cast<const unsigned char*>(msg);
    state().queues[queueName].push_back(std::vector<unsigned char>(p, p + size));
}

int sharedWriteCount(const std::string& blockName)
{
    return state().sharedWrites[blockName];
}

std::vector<unsigned char> sharedLastWrite(const std::string& blockName)
{
    return state().sharedBytes[blockName];
}

std::vector<std::vector<double>>& logRecords(const std::string& logName)
{
    return state().logs[logName];
}

void scriptNavigation(NavigationScript script, double latRad, double lngRad, double declinationDeg)
{
    state().nav = script;
    state().navLat = latRad;
    state().navLng = lngRad;
    state().navDecl = declinationDeg;
}

int navigationClientsCreated()
{
    return state().navCreated;
}

int navigationClientsLive()
{
    return state().navLive;
}

}  // namespace fw

void Syslog::write(const char* msg, ...)
{
    char line[1024];
    va_list ap;
    va_start(ap, msg);
    vsnprintf(line, sizeof line, msg, ap);
    va_end(ap);
    state().lines.push_back(line);
}

void System::milliSleep(int milliSeconds)
{
    state().sleeps.push_back(milliSeconds);
}

Task::Task(const char*) {}
Task::~Task() {}

PeriodicTask::PeriodicTask(const char* name) : Task(name), _eventService(nullptr) {}
PeriodicTask::~PeriodicTask() {}
void PeriodicTask::run() {}
int PeriodicTask::addPeriodicCallback(unsigned int millisec, CallbackMethod callback)
{
    std::vector<bool>& refused = state().refusedRegistrations;
    const bool refuse = !refused.empty() && refused.front();
    if (!refused.empty())
        refused.erase(refused.begin());
    if (refuse)
        return -1;
    state().callbacks.push_back(fw::CallbackRecord{this, millisec, callback});
    return 0;
}

MessageQueue::MessageQueue(const char* name, int msgSize, int maxQueueSize, Access access, Boolean blocking)
    : _name(name), _access(access), _msgSize(msgSize), _maxQueueSize(maxQueueSize), _blocking(blocking), _queue(0),
      debug(0)
{
}
MessageQueue::~MessageQueue() {}
int MessageQueue::read(void* data)
{
    std::deque<std::vector<unsigned char>>& q = state().queues[_name];
    if (q.empty())
        return 0;
    std::vector<unsigned char> msg = q.front();
    q.pop_front();
    size_t n = msg.size() < static_cast<size_t>(_msgSize) ? msg.size() : static_cast<size_t>(_msgSize);
    memcpy(data, msg.data(), n);
    return static_cast<int>(n);
}
int MessageQueue::write(void* data)
{
    fw::postMessage(_name, data, static_cast<size_t>(_msgSize));
    return _msgSize;
}

SharedData::SharedData(const char* name, int nDataBytes, Access, Boolean) : _name(name), _nDataBytes(nDataBytes) {}
SharedData::~SharedData() {}
int SharedData::read(void* data)
{
    std::vector<unsigned char>& bytes = state().sharedBytes[_name];
    if (bytes.size() == static_cast<size_t>(_nDataBytes))
        memcpy(data, bytes.data(), bytes.size());
    return 0;
}
int SharedData::write(void* data)
{
    const unsigned char* p = static_cast<const unsigned char*>(data);
    state().sharedBytes[_name] = std::vector<unsigned char>(p, p + _nDataBytes);
    state().sharedWrites[_name]++;
    return 0;
}

DataLog::DataLog() : _logFileStream(nullptr) {}
DataLog::~DataLog() {}
void DataLog::setMnemonic(const char*) {}

DataLogWriter::DataLogWriter(const char* name, FileFormat, Boolean autoTimestamp)
    : _name(name), _autoTimestamp(autoTimestamp), _timeSpec(), _fields(), _nFields(0)
{
}
DataLogWriter::~DataLogWriter() {}
void DataLogWriter::setFields() {}
int DataLogWriter::addField(DataField* field)
{
    if (_nFields >= MaxFields)
        return -1;
    _fields[_nFields++] = field;
    return 0;
}
int DataLogWriter::write()
{
    setFields();
    std::vector<double> row;
    for (int i = 0; i < _nFields; i++)
        row.push_back(_fields[i]->value());
    state().logs[_name].push_back(row);
    return 0;
}

NavigationIF::NavigationIF(const char*)
{
    if (state().nav == fw::NavThrowsException)
        throw Exception("navigation server not reachable");
    if (state().nav == fw::NavThrowsOther)
        throw 42;
    state().navCreated++;
    state().navLive++;
}
NavigationIF::~NavigationIF()
{
    state().navLive--;
}
int NavigationIF::location(double* lat, double* lng, double* dep, double* alt)
{
    if (state().nav == fw::NavLocationFails)
        return -1;
    *lat = state().navLat;
    *lng = state().navLng;
    *dep = 0;
    *alt = 0;
    return 0;
}
double NavigationIF::magneticVariation()
{
    return state().navDecl;
}
