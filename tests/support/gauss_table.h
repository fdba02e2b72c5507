// The Gauss table of the rhythm measures, built once per test executable (it
// is large).
#pragma once

#include <sstream>

#include "similarity/gauss_rhythm.h"

namespace suite::test {

inline const similarity::GaussTable* gaussTable() {
  static const similarity::GaussTable table = [] {
    similarity::GaussTable t;
    std::ostringstream err;
    similarity::buildGaussTable(t, err);
    return t;
  }();
  return &table;
}

}  // namespace suite::test
