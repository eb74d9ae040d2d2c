#include "sim/sim_errors.h"

namespace vksim {

void enterError(VkCErrorListPool& pool, uint32_t code, const char* function,
                const std::string& text, uint32_t node) {
    // The text goes in as the single parameter, so a '%' in a file name stays as it is.
    pool.setError(code, 0, "%1", node, 0, function, "%s", text.c_str());
}

void enterWarning(VkCErrorListPool& pool, uint32_t code, const char* function,
                  const std::string& text) {
    pool.setError(code, VkCErrorList::FlagWarning, "%1", 0, 0, function, "%s", text.c_str());
}

}  // namespace vksim
