#ifndef UTILS_ATTRIBUTES_H
#define UTILS_ATTRIBUTES_H

#include "Attribute.h"
#include "DynamicArray.h"

// The attribute set of one configurable object. It owns its attributes.
class Attributes
{
  public:
    explicit Attributes(const char* objectName);
    ~Attributes();
    Attributes(const Attributes&) = delete;
    Attributes& operator=(const Attributes&) = delete;

    const char* objectName() { return _objectName; }
    void add(Attribute* attribute);
    // The attribute parse would set for that key (the first with it), or null.
    Attribute* find(const char* name);
    // 0 on success, -1 on failure (unknown key or conversion error, logged).
    int parse(Attribute::Input* input);
    // Parses every input, also after a failure; -1 if any failed.
    int parse(AttributeInputList* inputs);
    // 0 when every attribute has a default or a value; -1 otherwise (logged).
    int verify();
    void printDescriptions();

    DynamicArray<Attribute*> list;

  private:
    const char* _objectName;
};
#endif
