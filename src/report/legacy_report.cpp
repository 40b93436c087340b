#include "report/legacy_report.hpp"

#include <algorithm>

#include "report/gass60.hpp"

namespace laifit {

namespace {

struct ReportFormats {
  Format heading{"('    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No. ',i5/4x,53(1h-))"};
  Format counts{"(/'  (',i3,' observations, ',i5,' parametres,',i7,' memoires de travail auxiliaires.)'/)"};
  Format initial_values{"(/' VALEURS INITIALES DES PARAMETRES :')"};
  Format proportions{"(/' proportions utilisees en calculant la diff.',' des quotients :')"};
  Format parameter_error{"(/' ERREUR DE PARAMETRE.')"};
  Format initial_sum{"(/' somme des carres initiaux : ',e12.4)"};
  Format parameters_converged{"(/' ARRET DES ITERATIONS - variation relative de chaque',' parametre < a ',e10.3)"};
  Format sum_converged{"(/' ARRET DES ITERATIONS - variation relative de la somme',' des carres < a ',e10.3)"};
  Format no_reduction{
      "(//' ON NE PEUT PAS RENDRE LA SOMME DES CARRES INFERIEURE',' A CELLE OBTENUE A L''ITERATION "
      "PRECEDENTE :'/' on arrete l''iteration.')"};
  Format correlation{"(/' matrice de correlation :')"};
  Format normalising{"(/' elements normalisants :')"};
  Format variance{"(/' variance des residus : ',e12.4,',',i4,' degres de',' liberte.')"};
  Format limits{"(/' limites de confiance individuelles pour chaque',' parametre (sous hypothese lineaire) :')"};
  Format intervals{"(/' intervalle de confiance approche pour chaque valeur',' de la fonction :')"};
  Format estimates{"(/' valeurs des parametres par regression :')"};
  Format values{"(1x,10e12.4)"};
  Format final_sum{"(/' somme finale des carres : ',e12.4)"};
  Format closing{"(//'    FIN DU PROBLEME No.',i5,3x,i5,' iterations.'/ 4x,44(1h-))"};
};

constexpr ReportFormats kFormats{};

const ReportFormats& formats() { return kFormats; }

}  // namespace

void LegacyReport::report(const Format& format, std::initializer_list<Item> items, bool echo) {
  out_.imphau.mimp->write(format, items);
  if (echo) out_.imphau.mecran->write(format, items);
}

void LegacyReport::table(std::int32_t itype, std::int32_t level, std::span<const float> a, std::span<const float> b,
                         std::span<const float> c) {
  gass60(itype, np_, a, b, c, *out_.imphau.mecran, *out_.imphau.mimp, level);
}

void LegacyReport::started(const EstimatorProblem& problem) {
  const ReportFormats& fmt = formats();
  np_ = static_cast<std::int32_t>(problem.start.size());
  const auto nob = static_cast<std::int32_t>(problem.observed.size());
  // The work entries the estimator's arrays take besides the difference proportions.
  const auto auxiliary = static_cast<std::int32_t>(5 * std::int64_t{np_} + 2 * std::int64_t{nob} +
                                                   2 * std::int64_t{np_} * np_ + std::int64_t{nob} * np_);
  report(fmt.heading, {nprob_}, imp_ > 1);
  report(fmt.counts, {nob, np_, auxiliary}, imp_ == 3);
  report(fmt.initial_values, {}, imp_ == 3);
  table(1, imp_, problem.start, {}, {});
  report(fmt.proportions, {}, imp_ == 3);
  table(1, imp_, problem.difference_steps, {}, {});
}

void LegacyReport::rejected(RejectionReason, std::string_view) { report(formats().parameter_error, {}, true); }

void LegacyReport::evaluating_start() { out_.trace.write_list({"appel de model"}); }

void LegacyReport::initial_sum(float ssq) { report(formats().initial_sum, {ssq}, imp_ == 3); }

void LegacyReport::stopped(EstimatorExit exit, const EstimatorSettings& settings) {
  const ReportFormats& fmt = formats();
  switch (exit) {
    case EstimatorExit::parameters_converged:
      report(fmt.parameters_converged, {settings.parameter_tolerance}, imp_ > 1);
      break;
    case EstimatorExit::sum_converged: report(fmt.sum_converged, {settings.sum_tolerance}, imp_ > 1); break;
    case EstimatorExit::no_reduction: report(fmt.no_reduction, {}, imp_ > 1); break;
    default: break;
  }
}

void LegacyReport::correlation(std::span<const float> matrix, std::int32_t) {
  const std::int32_t level = statistics_level();
  report(formats().correlation, {}, level == 3);
  table(3, level, {}, {}, matrix);
}

void LegacyReport::normalising(std::span<const float> e) {
  const std::int32_t level = statistics_level();
  report(formats().normalising, {}, level == 3);
  table(1, level, e, {}, {});
}

void LegacyReport::variance(float variance, std::int32_t idf) {
  report(formats().variance, {variance, idf}, statistics_level() == 3);
}

void LegacyReport::limits(std::span<const float> upper, std::span<const float> lower) {
  const std::int32_t level = statistics_level();
  report(formats().limits, {}, level == 3);
  // Each panel shows the upper limits first, then the lower ones.
  table(2, level, lower, upper, {});
}

void LegacyReport::intervals(std::span<const float> upper, std::span<const float> lower) {
  // On the screen only, and only when the statistics are shown there.
  if (statistics_level() != 3) return;
  const ReportFormats& fmt = formats();
  OutputChannel& screen = *out_.imphau.mecran;
  screen.write(fmt.intervals, {});
  for (std::size_t low = 0; low < upper.size(); low += 10) {
    const std::size_t width = std::min<std::size_t>(10, upper.size() - low);
    screen.write(fmt.values, {upper.subspan(low, width)});
    screen.write(fmt.values, {lower.subspan(low, width)});
  }
}

void LegacyReport::estimates(std::span<const float> th, float sumc) {
  const ReportFormats& fmt = formats();
  const auto final_blocks = [&](OutputChannel& channel) {
    channel.write(fmt.estimates, {});
    channel.write(fmt.values, {th});
    channel.write(fmt.final_sum, {sumc});
  };
  final_blocks(*out_.imphau.mimp);
  if (imp_ > 0) final_blocks(*out_.imphau.mecran);
}

void LegacyReport::finished(std::int32_t iterations) {
  report(formats().closing, {nprob_, iterations}, imp_ > 1);
  out_.screen.flush();
}

}  // namespace laifit
