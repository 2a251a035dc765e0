#pragma once
// The platform's register calling convention: the first three arguments in
// EAX, EDX and ECX, nothing on the stack, the result in EAX.
#define REGISTER_CALL __attribute__((regparm(3)))
