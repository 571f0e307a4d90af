// The eventfd that becomes readable when a stop is requested; every task loop
// polls it. Created on first use, never closed; -1 when it could not be made.
#ifndef HOST_PLATFORM_STOPDESCRIPTOR_H
#define HOST_PLATFORM_STOPDESCRIPTOR_H

namespace hostplatform {

int stopDescriptor();

}  // namespace hostplatform

#endif
