#ifndef FRAMEWORK_ATTRIBUTEKINDS_H
#define FRAMEWORK_ATTRIBUTEKINDS_H

#include "Attribute.h"
#include "Boolean.h"

// Attribute kinds: each converts the text value of a configuration entry and
// stores it at its bound address. The forms with a default mark the attribute
// as having one. An IntegerAttribute may be bound to a one-byte field through
// the uint8_t constructors; it then stores only the low byte.
class IntegerAttribute : public Attribute
{
  public:
    IntegerAttribute(const char* name, const char* description, long* valueAddress);
    IntegerAttribute(const char* name, const char* description, long* valueAddress, long defaultValue);
    IntegerAttribute(const char* name, const char* description, uint8_t* valueAddress);
    IntegerAttribute(const char* name, const char* description, uint8_t* valueAddress, long defaultValue);
    virtual ~IntegerAttribute();
    virtual const char* typeMnem();
    virtual void setValue(const char* stringRep);
    virtual const char* valueString();
    virtual Boolean verify();

  private:
    void store(long v);
    long* _longAddress;
    uint8_t* _byteAddress;
    long _default;
    char _text[32];
};

class FloatAttribute : public Attribute
{
  public:
    FloatAttribute(const char* name, const char* description, double* valueAddress);
    FloatAttribute(const char* name, const char* description, double* valueAddress, double defaultValue);
    virtual ~FloatAttribute();
    virtual const char* typeMnem();
    virtual void setValue(const char* stringRep);
    virtual const char* valueString();
    virtual Boolean verify();

  private:
    double* _address;
    double _default;
    char _text[48];
};

class BooleanAttribute : public Attribute
{
  public:
    BooleanAttribute(const char* name, const char* description, Boolean* valueAddress);
    BooleanAttribute(const char* name, const char* description, Boolean* valueAddress, Boolean defaultValue);
    virtual ~BooleanAttribute();
    virtual const char* typeMnem();
    virtual void setValue(const char* stringRep);
    virtual const char* valueString();
    virtual Boolean verify();

  private:
    Boolean* _address;
    Boolean _default;
};
#endif
