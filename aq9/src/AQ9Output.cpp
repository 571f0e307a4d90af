#include "AQ9Output.h"
#include "AQ9RawMeasOutput.h"

#include <string.h>

AQ9Output::AQ9Output(SharedData::Access access, Boolean init) : SharedData("aq9Output", 168, access, init)
{
    memset(&data, 0, sizeof data);
}

AQ9Output::~AQ9Output() {}

void AQ9Output::read()
{
    SharedData::read(&data);
}

void AQ9Output::write()
{
    SharedData::write(&data);
}

void AQ9Output::clear()
{
    memset(&data, 0, sizeof data);
}

AQ9RawMeasOutput::AQ9RawMeasOutput(SharedData::Access access, Boolean init)
    : SharedData("aq9RawMeasOutput", 112, access, init)
{
    memset(&data, 0, sizeof data);
}

AQ9RawMeasOutput::~AQ9RawMeasOutput() {}

void AQ9RawMeasOutput::read()
{
    SharedData::read(&data);
}

void AQ9RawMeasOutput::write()
{
    SharedData::write(&data);
}

void AQ9RawMeasOutput::clear()
{
    memset(&data, 0, sizeof data);
}
