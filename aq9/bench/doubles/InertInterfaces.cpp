// Inert task interfaces and event service, shared by the bench, the unit
// tests and the host platform: the driver only creates and deletes its server
// interface.
#include "AQ9IF.h"
#include "EventService.h"
#include "TaskInterface.h"

EventService::EventService(const char* name, Task* task) : _name(name), _task(task) {}
const char* EventService::name()
{
    return _name;
}
int EventService::subscribe(const char*)
{
    return 0;
}
void EventService::processEvent(EventCode) {}

TaskInterface::TaskInterface(const char*, const char*, int) {}
TaskInterface::~TaskInterface() {}
int TaskInterface::sendExternalMsg(void*, int)
{
    return 0;
}

AQ9IF::AQ9IF(const char* name, int timeout) : TaskInterface(name, name, timeout) {}
AQ9IF::~AQ9IF() {}
DeviceIF::Status AQ9IF::acceleration(double*, double*, double*) { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::magneticVector(double*, double*, double*) { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::all(AllMsg*) { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::disableHSI() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::enableHSI() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::resetHSI() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::useAqSensorHSI() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::ignoreAqSensorHSI() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::startBatchIronCalibration() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::finishBatchIronCalibration() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::resetDevice() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::reInitializeDevice() { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::setRefVectorPosition(float, float) { return DeviceIF::Ok; }
DeviceIF::Status AQ9IF::setRefVectorYear(float) { return DeviceIF::Ok; }
