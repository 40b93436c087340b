#include "report/gass60.hpp"

#include <array>

#include "check/check.hpp"

namespace laifit {

namespace {

constexpr Format kColumnNumbers("(1x,i8,9i12)");
constexpr Format kValues("(1x,10e12.4)");
constexpr Format kTriangleRow("(1x,i3,1x,f7.4,9f12.4)");

// One record on the report channel, then the same record on the screen at print level 3.
void put(const Format& format, std::initializer_list<Item> items, OutputChannel& me, OutputChannel& mi,
         std::int32_t imp) {
  mi.write(format, items);
  if (imp == 3) me.write(format, items);
}

// Entries low..lup (from 1) of a vector.
std::span<const float> columns(std::span<const float> v, std::int32_t low, std::int32_t lup) {
  return v.subspan(static_cast<std::size_t>(low - 1), static_cast<std::size_t>(lup - low + 1));
}

}  // namespace

void gass60(std::int32_t itype, std::int32_t nq, std::span<const float> a, std::span<const float> b,
            std::span<const float> c, OutputChannel& me, OutputChannel& mi, std::int32_t imp) {
  const std::int32_t np = nq;
  if (np > 0) {
    const auto n = static_cast<std::size_t>(np);
    const bool short_array = itype == 3 ? c.size() / n < n : a.size() < n || (itype == 2 && b.size() < n);
    LAIFIT_CHECK(!short_array, "gass60: array shorter than the order it is printed with");
  }
  std::int32_t nr = np / 10;
  std::int32_t low = 1;
  std::int32_t lup = 10;
  while (true) {
    if (nr < 0) return;
    if (nr == 0) {
      // The last panel holds what is left; none when the length is a multiple of ten.
      lup = np;
      if (low > lup) return;
    }
    std::array<std::int32_t, 10> numbers{};
    const auto width = static_cast<std::size_t>(lup - low + 1);
    for (std::size_t k = 0; k < width; ++k) numbers[k] = low + static_cast<std::int32_t>(k);
    put(kColumnNumbers, {std::span<const std::int32_t>(numbers.data(), width)}, me, mi, imp);

    if (itype == 2) {
      put(kValues, {columns(b, low, lup)}, me, mi, imp);
      put(kValues, {columns(a, low, lup)}, me, mi, imp);
    } else if (itype == 3) {
      // Row i of the lower triangle is read down column i of the symmetric matrix: rows low..i inside
      // the panel's square, rows low..lup below it.
      const auto column_part = [&](std::int32_t i, std::int32_t last_row) {
        return c.subspan(
            static_cast<std::size_t>(i - 1) * static_cast<std::size_t>(np) + static_cast<std::size_t>(low - 1),
            static_cast<std::size_t>(last_row - low + 1));
      };
      for (std::int32_t i = low; i <= lup; ++i) put(kTriangleRow, {i, column_part(i, i)}, me, mi, imp);
      for (std::int32_t i = lup + 1; i <= np; ++i) put(kTriangleRow, {i, column_part(i, lup)}, me, mi, imp);
    } else {
      put(kValues, {columns(a, low, lup)}, me, mi, imp);
    }
    low += 10;
    lup += 10;
    nr -= 1;
  }
}

}  // namespace laifit
