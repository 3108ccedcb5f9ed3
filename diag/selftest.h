// The built-in self-test (/selftest): the program's own checks against the
// live system; answers the number of failed checks.
#pragma once

namespace quellora {

int RunSelfTest();

}  // namespace quellora
