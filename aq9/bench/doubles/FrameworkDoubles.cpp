// Inert doubles of the vehicle framework for imubench: no callback ever runs,
// queues never hold a message, shared memory and logs keep nothing, the system
// log discards its lines.
#include <stdio.h>
#include <unistd.h>

#include "AQ9IF.h"
#include "DataLog.h"
#include "EventService.h"
#include "MessageQueue.h"
#include "NavigationIF.h"
#include "PeriodicTask.h"
#include "SharedData.h"
#include "Syslog.h"
#include "System.h"
#include "Task.h"
#include "TaskInterface.h"

Task::Task(const char* name)
{
    if (name == nullptr || name[0] == '\0')
        fputs(" ", stdout);
}
Task::~Task() {}

PeriodicTask::PeriodicTask(const char* name) : Task(name), _eventService(nullptr) {}
PeriodicTask::~PeriodicTask() {}
void PeriodicTask::run() {}
int PeriodicTask::addPeriodicCallback(unsigned int, CallbackMethod)
{
    return 0;
}

MessageQueue::MessageQueue(const char* name, int msgSize, int maxQueueSize, Access access, Boolean blocking)
    : _name(name), _access(access), _msgSize(msgSize), _maxQueueSize(maxQueueSize), _blocking(blocking), _queue(0),
      debug(0)
{
}
MessageQueue::~MessageQueue() {}
int MessageQueue::read(void*)
{
    return 0;
}
int MessageQueue::write(void*)
{
    return 0;
}

SharedData::SharedData(const char* name, int nDataBytes, Access, Boolean) : _name(name), _nDataBytes(nDataBytes) {}
SharedData::~SharedData() {}
int SharedData::read(void*)
{
    return 0;
}
int SharedData::write(void*)
{
    return 0;
}

DataField::DataField(const char*) : _name(nullptr), _units(nullptr), _longName(nullptr), _value(0) {}
DataField::~DataField() {}
void DataField::setUnits(const char*) {}
void DataField::setLongName(const char*) {}
DoubleData::DoubleData(const char* name) : DataField(name) {}
void DoubleData::setValue(double) {}
IntegerData::IntegerData(const char* name) : DataField(name) {}
void IntegerData::setValue(int) {}
AngleData::AngleData(const char* name) : DataField(name) {}
void AngleData::setValue(double) {}

DataLog::DataLog() : _logFileStream(nullptr) {}
DataLog::~DataLog() {}
void DataLog::setMnemonic(const char*) {}

DataLogWriter::DataLogWriter(const char*, FileFormat, Boolean autoTimestamp)
    : _name(nullptr), _autoTimestamp(autoTimestamp), _timeSpec(), _fields(), _nFields(0)
{
}
DataLogWriter::~DataLogWriter() {}
void DataLogWriter::setFields() {}
int DataLogWriter::addField(DataField*)
{
    return 0;
}
int DataLogWriter::write()
{
    return 0;
}

NavigationIF::NavigationIF(const char*) {}
NavigationIF::~NavigationIF() {}
int NavigationIF::location(double*, double*, double*, double*)
{
    return 0;
}
double NavigationIF::magneticVariation()
{
    return 0.01;
}

void Syslog::write(const char*, ...) {}

void System::milliSleep(int milliSeconds)
{
    usleep(static_cast<useconds_t>(milliSeconds) * 1000);
}
