// Data logs as CSV files any tool reads as they are. The data file has one
// header line of column names (the time stamp first when the log is
// time-stamped: seconds since the epoch with nanoseconds) and one line per
// record; the sidecar lists each column's name, kind, units and long name.
// The header and sidecar are written with the first record, once the driver
// has set units and long names. Rows are flushed once a second and at close,
// so a crash loses at most a second of data; a write error is logged once and
// counted, never fatal, and costs the rows written since the last good flush:
// the file is cut back to that point, so it never holds a partial row that
// would stop the programs reading it. A log closed without a record leaves no
// files.
#include "DataLog.h"

#include <errno.h>
#include <stdio_ext.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "CsvLogFiles.h"
#include "Syslog.h"

namespace {

const double kFlushIntervalSec = 1.0;

// RFC 4180 quoting: a text with a comma, quote or line end is quoted, its
// quotes doubled.
std::string csvText(const char* text)
{
    std::string s = text != nullptr ? text : "";
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string quoted = "\"";
    for (char c : s)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

const char* kindOf(const DataField* f)
{
    if (dynamic_cast<const IntegerData*>(f) != nullptr)
        return "integer";
    if (dynamic_cast<const AngleData*>(f) != nullptr)
        return "angle";
    return "double";
}

double monotonicSeconds()
{
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

DataLog::DataLog() : _logFileStream(nullptr) {}
DataLog::~DataLog() {}
// The files are named after the log itself; the mnemonic adds nothing here.
void DataLog::setMnemonic(const char*) {}

struct DataLogWriter::Impl
{
    CsvLogFiles files;
    std::vector<bool> integerColumn;
    bool headerWritten = false;
    off_t goodEnd = 0;  // where the data file's last good flush ended
    unsigned long rows = 0;
    unsigned long writeErrors = 0;
    double lastFlush = 0;

    void noteError(const char* logName, const char* path, int err)
    {
        if (writeErrors++ == 0)
            Syslog::write("DataLogWriter - %s: writing %s failed: %s; the log goes on", logName, path, strerror(err));
    }
    // Flushes, or checks the stream; false after noting an error.
    bool settle(const char* logName, FILE* f, const std::string& path, bool flush)
    {
        errno = 0;
        if ((flush && fflush(f) != 0) || ferror(f))
        {
            noteError(logName, path.c_str(), errno != 0 ? errno : EIO);
            clearerr(f);
            return false;
        }
        return true;
    }
    // Flushes the data file: a failure cuts it back to its last good end,
    // dropping what stdio still holds, so the file only ever holds whole rows.
    bool settleData(const char* logName, FILE* f, bool flush)
    {
        if (settle(logName, f, files.dataPath, flush))
        {
            if (flush)
                goodEnd = ftello(f);
            return true;
        }
        __fpurge(f);
        if (ftruncate(fileno(f), goodEnd) != 0 || fseeko(f, goodEnd, SEEK_SET) != 0)
            noteError(logName, files.dataPath.c_str(), errno);
        // A header lost with the rows is written again with the next row.
        if (goodEnd == 0)
            dataHeaderWritten = false;
        return false;
    }
    bool dataHeaderWritten = false;
    void writeHeader(DataLogWriter& log);
    void writeDataHeader(DataLogWriter& log);
};

DataLogWriter::DataLogWriter(const char* name, FileFormat, Boolean autoTimestamp)
    : _name(name), _autoTimestamp(autoTimestamp), _timeSpec(), _fields(), _nFields(0)
{
    _impl = new Impl();
    if (createCsvLogFiles(name, &_impl->files))
    {
        _logFileStream = _impl->files.data;
        Syslog::write("DataLogWriter - %s: logging to %s", name, _impl->files.dataPath.c_str());
    }
}

DataLogWriter::~DataLogWriter()
{
    CsvLogFiles& f = _impl->files;
    if (f.columns != nullptr)
        fclose(f.columns);
    if (_logFileStream != nullptr)
    {
        _impl->settleData(_name, _logFileStream, true);
        fclose(_logFileStream);
        if (_impl->rows == 0)
        {
            unlink(f.dataPath.c_str());
            unlink(f.columnsPath.c_str());
            Syslog::write("DataLogWriter - %s: closed without a record; %s removed", _name, f.dataPath.c_str());
        }
        else if (_impl->writeErrors > 0)
        {
            Syslog::write("DataLogWriter - %s: %lu write errors; %s is incomplete", _name, _impl->writeErrors,
                          f.dataPath.c_str());
        }
    }
    delete _impl;
}

void DataLogWriter::setFields() {}

int DataLogWriter::addField(DataField* field)
{
    // Once the header is out, a new column would not match it.
    if (field == nullptr || _nFields >= MaxFields || _impl->headerWritten)
    {
        Syslog::write("DataLogWriter - %s: field %s not added", _name, field != nullptr ? field->name() : "(null)");
        return -1;
    }
    _fields[_nFields++] = field;
    return 0;
}

int DataLogWriter::write()
{
    setFields();
    if (_logFileStream == nullptr)
        return -1;
    if (!_impl->headerWritten)
        _impl->writeHeader(*this);
    if (!_impl->dataHeaderWritten)
        _impl->writeDataHeader(*this);
    if (_autoTimestamp)
    {
        clock_gettime(CLOCK_REALTIME, &_timeSpec);
        fprintf(_logFileStream, "%lld.%09ld", static_cast<long long>(_timeSpec.tv_sec), _timeSpec.tv_nsec);
    }
    for (int i = 0; i < _nFields; i++)
    {
        const char* separator = (i > 0 || _autoTimestamp) ? "," : "";
        if (_impl->integerColumn[static_cast<size_t>(i)])
            fprintf(_logFileStream, "%s%lld", separator, static_cast<long long>(_fields[i]->value()));
        else
            fprintf(_logFileStream, "%s%.17g", separator, _fields[i]->value());
    }
    fputc('\n', _logFileStream);
    _impl->rows++;
    const double now = monotonicSeconds();
    const bool flush = now - _impl->lastFlush >= kFlushIntervalSec;
    if (flush)
        _impl->lastFlush = now;
    return _impl->settleData(_name, _logFileStream, flush) ? 0 : -1;
}

// The sidecar, once: a column's name, kind, units and long name.
void DataLogWriter::Impl::writeHeader(DataLogWriter& log)
{
    headerWritten = true;
    FILE* cols = files.columns;
    fputs("name,kind,units,long_name\n", cols);
    if (log._autoTimestamp)
        fputs("time,timestamp,s,seconds since 1970-01-01 00:00 UTC\n", cols);
    for (int i = 0; i < log._nFields; i++)
    {
        const DataField* f = log._fields[i];
        fprintf(cols, "%s,%s,%s,%s\n", csvText(f->name()).c_str(), kindOf(f), csvText(f->units()).c_str(),
                csvText(f->longName()).c_str());
        integerColumn.push_back(dynamic_cast<const IntegerData*>(f) != nullptr);
    }
    settle(log._name, cols, files.columnsPath, true);
    fclose(cols);
    files.columns = nullptr;
}

// The data file's line of column names.
void DataLogWriter::Impl::writeDataHeader(DataLogWriter& log)
{
    dataHeaderWritten = true;
    FILE* data = log._logFileStream;
    if (log._autoTimestamp)
        fputs("time", data);
    for (int i = 0; i < log._nFields; i++)
        fprintf(data, "%s%s", (i > 0 || log._autoTimestamp) ? "," : "", csvText(log._fields[i]->name()).c_str());
    fputc('\n', data);
}
