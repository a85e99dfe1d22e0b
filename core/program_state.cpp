// SPDX-License-Identifier: MIT
#include "core/program_state.h"

namespace core {

MainModule& modMain() {
    static MainModule module;
    return module;
}

} // namespace core
