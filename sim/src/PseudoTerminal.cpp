#include "PseudoTerminal.h"

#include <errno.h>
#include <fcntl.h>
#include <stdlib.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

namespace aq9sim {

PseudoTerminal::PseudoTerminal() : _master(-1), _slave(-1) {}

PseudoTerminal::~PseudoTerminal()
{
    if (_slave >= 0)
        close(_slave);
    if (_master >= 0)
        close(_master);
}

bool PseudoTerminal::open(std::string* error)
{
    _master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (_master < 0 || grantpt(_master) != 0 || unlockpt(_master) != 0)
    {
        *error = std::string("posix_openpt: ") + strerror(errno);
        return false;
    }
    const char* name = ptsname(_master);
    if (name == nullptr)
    {
        *error = std::string("ptsname: ") + strerror(errno);
        return false;
    }
    _slavePath = name;
    _slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (_slave < 0)
    {
        *error = "open " + _slavePath + ": " + strerror(errno);
        return false;
    }
    // Until the host sets its own modes the line is raw: no echo of what the
    // unit sends, no translation of its line ends.
    termios t;
    if (tcgetattr(_slave, &t) == 0)
    {
        cfmakeraw(&t);
        tcsetattr(_slave, TCSANOW, &t);
    }
    fcntl(_master, F_SETFL, fcntl(_master, F_GETFL) | O_NONBLOCK);
    return true;
}

void PseudoTerminal::send(const std::string& chunk)
{
    size_t done = 0;
    while (done < chunk.size())
    {
        const ssize_t w = ::write(_master, chunk.data() + done, chunk.size() - done);
        if (w < 0 && errno == EINTR)
            continue;
        if (w <= 0)
            return;
        done += static_cast<size_t>(w);
    }
}

} // namespace aq9sim
