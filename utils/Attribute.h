#ifndef UTILS_ATTRIBUTE_H
#define UTILS_ATTRIBUTE_H

#include <stdint.h>

#include "Boolean.h"
#include "DynamicArray.h"

// One configuration setting: a key, a description, a kind (the derived class)
// and the variable that receives the value.
class Attribute
{
  public:
    // One name/value pair from the mission configuration; both are private copies.
    class Input
    {
      public:
        Input(const char* name, const char* valueString);
        ~Input();
        Input(const Input&) = delete;
        Input& operator=(const Input&) = delete;
        const char* name;
        const char* valueString;
    };

    Attribute(const char* name, const char* description);
    virtual ~Attribute();
    Attribute(const Attribute&) = delete;
    Attribute& operator=(const Attribute&) = delete;

    virtual const char* typeMnem() = 0;
    // Converts and stores; may throw on a conversion error.
    virtual void setValue(const char* stringRep) = 0;
    // The current or default value as text.
    virtual const char* valueString() = 0;
    virtual Boolean verify() { return 1; }

    const char* name() { return _name; }
    const char* description() { return _description; }
    Boolean hasDefault() { return _hasDefault; }
    void markAsSet() { _valueHasBeenSet = 1; }
    Boolean valueHasBeenSet() { return _valueHasBeenSet; }
    void printDescription();

  protected:
    void setHasDefault() { _hasDefault = 1; }

  private:
    const char* _name;
    const char* _description;
    Boolean _hasDefault;
    Boolean _valueHasBeenSet;
};

typedef DynamicArray<Attribute::Input*> AttributeInputList;
#endif
