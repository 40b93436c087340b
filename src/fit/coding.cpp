#include "coding.hpp"

namespace laifit {

PackedParameters code_parameters(Param& param) {
  PackedParameters packed;
  param.nbpar = 0;
  for (std::size_t k = 0; k < 5; ++k) {
    param.nbpar += param.icod[k];
    param.cst[k] = param.var[k];
    if (param.icod[k] == 1) packed.par[static_cast<std::size_t>(param.nbpar - 1)] = param.var[k];
  }
  packed.npar = param.nbpar;
  param.icomb = 10000 * param.icod[0] + 1000 * param.icod[1] + 100 * param.icod[2] + 10 * param.icod[3] + param.icod[4];
  return packed;
}

}  // namespace laifit
