#ifndef FRAMEWORK_DATALOG_H
#define FRAMEWORK_DATALOG_H

#include <stdio.h>
#include <time.h>

#include "Boolean.h"

// One named, typed column of a data log record.
class DataField
{
  public:
    explicit DataField(const char* name);
    virtual ~DataField();
    void setUnits(const char* units);
    void setLongName(const char* name);
    const char* name() const { return _name; }
    const char* units() const { return _units; }
    const char* longName() const { return _longName; }
    double value() const { return _value; }

  protected:
    const char* _name;
    const char* _units;
    const char* _longName;
    double _value;
};

class DoubleData : public DataField
{
  public:
    explicit DoubleData(const char* name);
    void setValue(double v);
};

class IntegerData : public DataField
{
  public:
    explicit IntegerData(const char* name);
    void setValue(int v);
};

class AngleData : public DataField
{
  public:
    explicit AngleData(const char* name);
    void setValue(double v);
};

class DataLog
{
  public:
    typedef int FileFormat;

    DataLog();
    virtual ~DataLog();
    void setMnemonic(const char* name);

  protected:
    FILE* _logFileStream;
};

// A data log whose record layout is the fields added, in call order. write()
// calls setFields() to load them, then appends one record.
class DataLogWriter : public DataLog
{
  public:
    enum
    {
        MaxFields = 64
    };

    DataLogWriter(const char* name, FileFormat fileFormat, Boolean autoTimestamp);
    virtual ~DataLogWriter();
    DataLogWriter(const DataLogWriter&) = delete;
    DataLogWriter& operator=(const DataLogWriter&) = delete;
    virtual void setFields();
    int addField(DataField* field);
    int write();
    const char* logName() const { return _name; }
    int fieldCount() const { return _nFields; }
    DataField* field(int i) const { return (i >= 0 && i < _nFields) ? _fields[i] : nullptr; }

  protected:
    const char* _name;
    Boolean _autoTimestamp;
    timespec _timeSpec;
    DataField* _fields[MaxFields];
    int _nFields;

  private:
    // The platform's own state, when it keeps any beyond the fields above.
    struct Impl;
    Impl* _impl = nullptr;
};
#endif
