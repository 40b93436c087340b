// Compiled by the tests, not linked: a malformed format literal in the sources must stop the build. With
// LAIFIT_MALFORMED defined this file must fail to compile; without it, it must compile.

#include "records/format.hpp"

#ifdef LAIFIT_MALFORMED
constexpr laifit::Format kRecord("(i3,1x,i3,1x,f6.3,1x,f6.)");  // the decimals of the last field are missing
#else
constexpr laifit::Format kRecord("(i3,1x,i3,1x,f6.3,1x,f6.1)");
#endif

static_assert(kRecord.steps().size() == 7);
