// The simulated unit's register file: the catalogue of the registers it
// serves (numbers, names, typed fields, factory values, what a write may
// hold), and the volatile and saved copies a command reads and writes.
//
// One shared field scanner serves every register: a register is a list of
// typed, named field groups ("c" nine floats, "b" three floats), so reading,
// writing, checking and the state file are one routine each, not one per
// register. The binary output registers 75-77 are the one variable shape:
// their number of group-field words follows the groups byte.
#ifndef SIM_REGISTERS_H
#define SIM_REGISTERS_H

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

namespace aq9sim {

// The unit's error numbers, as its "$AQERR" report carries them.
enum SensorError
{
    ERR_NONE = 0,
    ERR_SERIAL_BUFFER_OVERFLOW = 2,
    ERR_INVALID_CHECKSUM = 3,
    ERR_INVALID_COMMAND = 4,
    ERR_NOT_ENOUGH_PARAMETERS = 5,
    ERR_TOO_MANY_PARAMETERS = 6,
    ERR_INVALID_PARAMETER = 7,
    ERR_INVALID_REGISTER = 8,
    ERR_UNAUTHORIZED_ACCESS = 9
};

enum FieldType
{
    FIELD_U8,
    FIELD_U16,
    FIELD_U32,
    FIELD_HEX8,  // two hex digits on the wire
    FIELD_HEX16, // four hex digits on the wire
    FIELD_F32,
    FIELD_F64,
    FIELD_TEXT
};

// count consecutive values of one type under one name; format is the
// printf conversion of one value on the wire (numeric types only).
struct FieldSpec
{
    const char* name;
    FieldType type;
    int count;
    const char* format;
};

// Values of one register, in wire order: numbers (integers held exactly) or
// the text of a text register.
struct RegisterValue
{
    std::vector<double> num;
    std::string text;
};

// Checks a written value beyond its field types; ERR_NONE to accept.
typedef SensorError (*RegisterCheck)(const RegisterValue& v);

enum RegisterKind
{
    REG_CONFIG,       // stored; read and write
    REG_IDENTITY,     // stored; read only
    REG_MEASUREMENT,  // computed from the motion at each read; read only
    REG_BINARY_OUTPUT // 75-77: stored; the word count follows the groups byte
};

struct RegisterSpec
{
    int number;
    const char* name;
    RegisterKind kind;
    std::vector<FieldSpec> fields;
    RegisterValue factory;
    RegisterCheck check; // may be null
};

// The whole catalogue, ordered by number.
const std::vector<RegisterSpec>& registerCatalogue();
// null when the unit has no such register.
const RegisterSpec* findRegister(int number);
// Number of values in wire order (a text register counts one).
size_t valueCount(const RegisterSpec& reg);

// Field texts of a write, checked and converted; ERR_NONE and *out filled,
// or the error the unit reports (count, type, range or register check).
SensorError parseFields(const RegisterSpec& reg, const std::vector<std::string>& fields, RegisterValue* out);
// ",f1,f2,..." as the unit prints the register's values.
std::string formatFields(const RegisterSpec& reg, const RegisterValue& v);
// {"number": n, "name": value-or-array, ...} for the state file.
std::string fieldsJson(const RegisterSpec& reg, const RegisterValue& v);

// Binary output register values, by position.
enum BinaryOutputSlot
{
    BO_ASYNC_MODE = 0,
    BO_RATE_DIVISOR = 1,
    BO_GROUPS = 2,
    BO_FIRST_FIELD = 3 // then common, time, IMU, GPS, attitude, INS, GPS2
};

// Volatile and saved copies of every stored register.
class RegisterFile
{
  public:
    RegisterFile();
    // Both copies to factory values.
    void restoreFactory();
    // Volatile copy from the saved one (what a restart does).
    void restoreSaved();
    // Saved copy from the volatile one (the unit's write to non-volatile memory).
    void save();

    const RegisterValue& get(int number) const;
    const RegisterValue& saved(int number) const;
    void set(int number, const RegisterValue& v);
    // Single numeric value i of a stored register.
    double num(int number, size_t i) const { return get(number).num[i]; }

  private:
    size_t slot(int number) const;
    std::vector<RegisterValue> _volatile;
    std::vector<RegisterValue> _saved;
};

} // namespace aq9sim

#endif
