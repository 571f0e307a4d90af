// A data log's columns are plain value holders, the same whether the host's
// CSV logs or the unit tests' recording logs read them, so they are defined
// once here. The bench's inert doubles keep their own, which store nothing.
#include "DataLog.h"

DataField::DataField(const char* name) : _name(name), _units(nullptr), _longName(nullptr), _value(0) {}
DataField::~DataField() {}
void DataField::setUnits(const char* units)
{
    _units = units;
}
void DataField::setLongName(const char* name)
{
    _longName = name;
}
DoubleData::DoubleData(const char* name) : DataField(name) {}
void DoubleData::setValue(double v)
{
    _value = v;
}
IntegerData::IntegerData(const char* name) : DataField(name) {}
void IntegerData::setValue(int v)
{
    _value = v;
}
AngleData::AngleData(const char* name) : DataField(name) {}
void AngleData::setValue(double v)
{
    _value = v;
}
