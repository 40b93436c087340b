#include "estimator/haus59.hpp"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "estimator/float_constants.hpp"
#include "estimator/gass60.hpp"
#include "estimator/matin.hpp"
#include "numeric/acos.hpp"
#include "numeric/store.hpp"

namespace laifit {

namespace {

using estimator_detail::kDegreesPerRadian;
using estimator_detail::kTiny;
using estimator_detail::kUnderflowGuard;
using numeric::store;

// Failed trials allowed in one iteration before the estimator gives up.
constexpr std::int32_t kMaxFailedTrials = 36;
// Largest angle, in degrees, between the scaled step and the scaled gradient for which a failed trial
// halves the step instead of raising the damping.
constexpr double kAngleThreshold = 30.0;
// The difference buffer and the table of lower bounds.
constexpr std::size_t kDifferenceBuffer = 390;

struct ReportFormats {
  Format heading{"('    HAUS59 - ESTIMATION NON-LINEAIRE - PROBLEME No. ',i5/4x,53(1h-))"};
  Format counts{"(/'  (',i3,' observations, ',i5,' parametres,',i7,' memoires de travail auxiliaires.)'/)"};
  Format initial_values{"(/' VALEURS INITIALES DES PARAMETRES :')"};
  Format proportions{"(/' proportions utilisees en calculant la diff.',' des quotients :')"};
  Format parameter_error{"(/' ERREUR DE PARAMETRE.')"};
  Format initial_sum{"(/' somme des carres initiaux : ',e12.4)"};
  Format parameters_converged{
      "(/' ARRET DES ITERATIONS - variation relative de chaque',' parametre < a ',e10.3)"};
  Format sum_converged{
      "(/' ARRET DES ITERATIONS - variation relative de la somme',' des carres < a ',e10.3)"};
  Format no_reduction{
      "(//' ON NE PEUT PAS RENDRE LA SOMME DES CARRES INFERIEURE',' A CELLE OBTENUE A L''ITERATION "
      "PRECEDENTE :'/' on arrete l''iteration.')"};
  Format correlation{"(/' matrice de correlation :')"};
  Format normalising{"(/' elements normalisants :')"};
  Format variance{"(/' variance des residus : ',e12.4,',',i4,' degres de',' liberte.')"};
  Format limits{
      "(/' limites de confiance individuelles pour chaque',' parametre (sous hypothese lineaire) :')"};
  Format intervals{"(/' intervalle de confiance approche pour chaque valeur',' de la fonction :')"};
  Format estimates{"(/' valeurs des parametres par regression :')"};
  Format values{"(1x,10e12.4)"};
  Format final_sum{"(/' somme finale des carres : ',e12.4)"};
  Format closing{"(//'    FIN DU PROBLEME No.',i5,3x,i5,' iterations.'/ 4x,44(1h-))"};
};

const ReportFormats& formats() {
  static const ReportFormats instance;
  return instance;
}

std::size_t count(std::int64_t n) { return n > 0 ? static_cast<std::size_t>(n) : 0; }

// max(x, floor) where x may be undefined: an undefined x gives the floor.
double at_least(double x, double floor) { return x > floor ? x : floor; }

class Core {
 public:
  Core(const Haus59Problem& problem, Haus59Settings& settings, const Haus59Workspace& work,
       const EstimatorOutput& out)
      : nprob_(problem.nprob),
        model_(problem.model),
        nob_(problem.nob),
        np_(problem.np),
        y_(problem.y),
        th_(problem.th),
        difz_(problem.difz),
        signs_(problem.signs),
        settings_(settings),
        w_(work),
        out_(out),
        nobs_(count(problem.nob)),
        npar_(count(problem.np)) {}

  Haus59Result run(Somcarre& somcarre);

 private:
  enum class Phase { iteration_start, scaled_system, trial, failed_trial, accepted, finished };

  // A block on the report channel, followed by the same records on the screen when echo holds.
  void report(const Format& format, std::initializer_list<Item> items, bool echo) {
    out_.imphau.mimp->write(format, items);
    if (echo) out_.imphau.mecran->write(format, items);
  }
  void table(std::int32_t itype, std::span<const float> a, std::span<const float> b, std::span<const float> c) {
    gass60(itype, np_, a, b, c, *out_.imphau.mecran, *out_.imphau.mimp, imp_);
  }
  void closing_line() {
    report(formats().closing, {nprob_, nit_}, imp_ > 1);
    out_.screen.flush();
  }

  bool arguments_accepted() const;
  float evaluate(std::span<const float> par);
  void differences();
  void normal_matrix();
  void scaled_system();
  void angle();
  void trial_step();
  bool signs_kept() const;
  bool parameters_converged() const;
  bool sum_converged() const;
  void statistics(Somcarre& somcarre);

  float& at(std::span<float> m, std::size_t i, std::size_t j) const { return m[j * npar_ + i]; }
  float& delz(std::size_t i, std::size_t j) const { return w_.delz[j * nobs_ + i]; }
  std::span<const float> params(std::span<const float> v) const { return v.first(npar_); }

  std::int32_t nprob_;
  const Model& model_;
  std::int32_t nob_;
  std::int32_t np_;
  std::span<const float> y_;
  std::span<float> th_;
  std::span<const float> difz_;
  std::span<const float> signs_;
  Haus59Settings& settings_;
  const Haus59Workspace& w_;
  const EstimatorOutput& out_;
  std::size_t nobs_;
  std::size_t npar_;

  std::int32_t imp_ = 0;
  std::int32_t nit_ = 0;
  std::int32_t intcnt_ = 0;
  float ga_ = 0.0f;      // damping lambda
  float ssq_ = 0.0f;     // sum of squares at the accepted parameters
  float sumb_ = 0.0f;    // sum of squares at the latest evaluated trial
  float step_ = 1.0f;    // length factor of the trial step
  float gamma_ = 0.0f;   // angle between scaled step and scaled gradient, degrees
  std::array<float, kDifferenceBuffer> delz1_{};
  std::array<float, kMaxObservations> lower_{};  // lower bounds of the fitted values
};

bool Core::arguments_accepted() const {
  const std::int64_t np = np_, nob = nob_, mit = settings_.mit;
  if (std::min({np - 1, kMaxParameters - np, nob - np, mit - 1, kMaxIterations - mit}) < 0) return false;
  if (double(settings_.fnu) - 1.0 <= 0.0) return false;
  for (std::size_t i = 0; i < npar_; ++i) {
    // A proportion of 1 or more, or a zero starting value, leaves no usable difference step.
    const double margin = 1.0 - std::fabs(double(difz_[i]));
    const double size = std::fabs(double(th_[i]));
    if ((size < margin ? size : margin) <= 0.0) return false;
  }
  // The fixed tables and the caller's workspace bound what can be processed.
  if (nob > kMaxObservations) return false;
  const auto np2 = npar_ * npar_;
  for (auto region : {w_.q, w_.p, w_.e, w_.phi, w_.tb}) {
    if (region.size() < npar_) return false;
  }
  return w_.f.size() >= nobs_ && w_.r.size() >= nobs_ && w_.a.size() >= np2 && w_.d.size() >= np2 &&
         w_.delz.size() >= nobs_ * npar_;
}

// The model at par into f, the residuals into r; returns their sum of squares.
float Core::evaluate(std::span<const float> par) {
  model_(nprob_, params(par), w_.f.first(nobs_), nob_, np_);
  float sum = 0.0f;
  for (std::size_t i = 0; i < nobs_; ++i) {
    w_.r[i] = store(double(y_[i]) - w_.f[i]);
    sum = store(double(sum) + double(w_.r[i]) * w_.r[i]);
  }
  return sum;
}

// Column j of delz: f(th + p(j) e_j) - f(th), with p(j) = difz(j) th(j); q = J'r with J = delz / p.
void Core::differences() {
  for (std::size_t j = 0; j < npar_; ++j) {
    const float kept = th_[j];
    w_.p[j] = store(double(difz_[j]) * th_[j]);
    th_[j] = store(double(th_[j]) + w_.p[j]);
    w_.q[j] = 0.0f;
    model_(nprob_, params(th_), std::span<float>(delz1_).first(nobs_), nob_, np_);
    for (std::size_t i = 0; i < nobs_; ++i) {
      delz(i, j) = store(double(delz1_[i]) - w_.f[i]);
      w_.q[j] = store(double(w_.q[j]) + double(delz(i, j)) * w_.r[i]);
    }
    w_.q[j] = store(double(w_.q[j]) / w_.p[j]);
    th_[j] = kept;
  }
}

// d = J'J, and its diagonal's square roots as scale factors.
void Core::normal_matrix() {
  for (std::size_t i = 0; i < npar_; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      float sum = 0.0f;
      for (std::size_t k = 0; k < nobs_; ++k) sum = store(double(sum) + double(delz(k, i)) * delz(k, j));
      at(w_.d, i, j) = at(w_.d, j, i) = store(double(sum) / (double(w_.p[i]) * w_.p[j]));
    }
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.e[i] = store(at_least(std::sqrt(double(at(w_.d, i, i))), double(kUnderflowGuard)));
  }
}

// Solves (D^-1 d D^-1 + lambda I) p = D^-1 q for the scaled step, D = diag(e); phi keeps D^-1 q.
void Core::scaled_system() {
  for (std::size_t i = 0; i < npar_; ++i) {
    for (std::size_t j = 0; j <= i; ++j) {
      at(w_.a, i, j) = at(w_.a, j, i) = store(double(at(w_.d, i, j)) / (double(w_.e[i]) * w_.e[j]));
    }
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.p[i] = store(double(w_.q[i]) / w_.e[i]);
    w_.phi[i] = w_.p[i];
    at(w_.a, i, i) = store(double(at(w_.a, i, i)) + ga_);
  }
  float det = 0.0f;
  matin(w_.a, np_, w_.p, 1, det);
}

// The angle between the scaled step and the scaled gradient; the step's direction is kept in phi. The
// cosine divides by the product of the squared lengths, not by the product of the lengths, as the
// estimator always has.
void Core::angle() {
  step_ = 1.0f;
  float sum1 = 0.0f, sum2 = 0.0f, sum3 = 0.0f;
  for (std::size_t i = 0; i < npar_; ++i) {
    sum1 = store(double(sum1) + double(w_.p[i]) * w_.phi[i]);
    sum2 = store(double(sum2) + double(w_.p[i]) * w_.p[i]);
    sum3 = store(double(sum3) + double(w_.phi[i]) * w_.phi[i]);
  }
  for (std::size_t i = 0; i < npar_; ++i) w_.phi[i] = w_.p[i];
  float cosine = store(double(sum1) / at_least(double(sum2) * sum3, double(kUnderflowGuard)));
  if (double(cosine) > 1.0) cosine = 1.0f;  // an undefined cosine stays undefined
  gamma_ = store(numeric::acos_cr(double(cosine)) * double(kDegreesPerRadian));
}

void Core::trial_step() {
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.p[i] = store(double(w_.phi[i]) * step_ / w_.e[i]);
    w_.tb[i] = store(double(th_[i]) + w_.p[i]);
  }
}

// A parameter whose sign switch is positive may not cross zero; -0.0 counts as negative.
bool Core::signs_kept() const {
  for (std::size_t i = 0; i < npar_; ++i) {
    if (double(signs_[i]) > 0.0 && std::signbit(th_[i]) != std::signbit(w_.tb[i])) return false;
  }
  return true;
}

bool Core::parameters_converged() const {
  for (std::size_t i = 0; i < npar_; ++i) {
    if (!(std::fabs(double(w_.p[i])) <= double(settings_.eps2) * (std::fabs(double(th_[i])) + double(kTiny)))) {
      return false;
    }
  }
  return true;
}

bool Core::sum_converged() const {
  return std::fabs(double(sumb_) - double(ssq_)) <= double(settings_.eps1) * double(ssq_);
}

Haus59Result Core::run(Somcarre& somcarre) {
  const ReportFormats& fmt = formats();
  imp_ = out_.imphau.impc;
  const auto auxiliary = static_cast<std::int32_t>(5 * std::int64_t{np_} + 2 * std::int64_t{nob_} +
                                                   2 * std::int64_t{np_} * np_ + std::int64_t{nob_} * np_);
  report(fmt.heading, {nprob_}, imp_ > 1);
  report(fmt.counts, {nob_, np_, auxiliary}, imp_ == 3);
  report(fmt.initial_values, {}, imp_ == 3);
  table(1, th_, {}, {});
  report(fmt.proportions, {}, imp_ == 3);
  table(1, difz_, {}, {});

  if (!arguments_accepted()) {
    report(fmt.parameter_error, {}, true);
    closing_line();
    return {Haus59Exit::rejected, nit_};
  }
  ga_ = settings_.flam;
  nit_ = 1;
  if (double(settings_.eps1) < 0.0) settings_.eps1 = 0.0f;
  const bool parameter_test = double(settings_.eps2) > 0.0;
  const bool sum_test = double(settings_.eps1) > 0.0;
  const double fnu = settings_.fnu;

  out_.trace.write_list({"appel de model"});
  ssq_ = evaluate(th_);
  // Until a trial is evaluated, the last evaluation is the initial one.
  sumb_ = ssq_;
  report(fmt.initial_sum, {ssq_}, imp_ == 3);

  Haus59Exit exit = Haus59Exit::iteration_limit;
  Phase phase = Phase::iteration_start;
  while (phase != Phase::finished) {
    switch (phase) {
      case Phase::iteration_start:
        ga_ = store(double(ga_) / fnu);
        intcnt_ = 0;
        differences();
        normal_matrix();
        phase = Phase::scaled_system;
        break;
      case Phase::scaled_system:
        scaled_system();
        angle();
        phase = Phase::trial;
        break;
      case Phase::trial:
        trial_step();
        phase = Phase::failed_trial;
        if (!signs_kept()) break;
        sumb_ = evaluate(w_.tb);
        // A slight increase, up to the tolerance, still counts as progress.
        if (double(sumb_) <= (1.0 + double(settings_.eps1)) * double(ssq_)) {
          std::copy_n(w_.tb.begin(), npar_, th_.begin());
          phase = Phase::accepted;
        }
        break;
      case Phase::failed_trial: {
        // lambda grows by fnu after a failed trial whose step points more than 30 degrees from the
        // gradient direction (or when lambda is the smaller); otherwise the step is halved along the
        // same direction. An undefined angle compares as lambda.
        const double excess = double(gamma_) - kAngleThreshold;
        const double v = excess < double(ga_) ? excess : double(ga_);
        if (v > 0.0) {
          ga_ = store(double(ga_) * fnu);
          phase = Phase::scaled_system;
        } else {
          step_ = store(double(step_) / 2.0);
          phase = Phase::trial;
        }
        intcnt_ += 1;
        if (intcnt_ >= kMaxFailedTrials) {
          exit = Haus59Exit::no_reduction;
          phase = Phase::finished;
        }
        break;
      }
      case Phase::accepted:
        if (parameter_test && parameters_converged()) {
          exit = Haus59Exit::parameters_converged;
          phase = Phase::finished;
        } else if (sum_test && sum_converged()) {
          exit = Haus59Exit::sum_converged;
          phase = Phase::finished;
        } else {
          ssq_ = sumb_;
          nit_ += 1;
          phase = nit_ <= settings_.mit ? Phase::iteration_start : Phase::finished;
        }
        break;
      case Phase::finished:
        break;
    }
  }

  switch (exit) {
    case Haus59Exit::parameters_converged: report(fmt.parameters_converged, {settings_.eps2}, imp_ > 1); break;
    case Haus59Exit::sum_converged: report(fmt.sum_converged, {settings_.eps1}, imp_ > 1); break;
    case Haus59Exit::no_reduction: report(fmt.no_reduction, {}, imp_ > 1); break;
    default: break;
  }
  statistics(somcarre);
  closing_line();
  return {exit, nit_};
}

void Core::statistics(Somcarre& somcarre) {
  const ReportFormats& fmt = formats();
  const std::int32_t entry_imp = imp_;
  // Print levels 2 and above show the whole statistics block on the screen.
  if (imp_ > 1) imp_ = 3;
  ssq_ = sumb_;
  const std::int32_t idf = nob_ - np_;

  report(fmt.correlation, {}, imp_ == 3);
  float det = 0.0f;
  matin(w_.d, np_, w_.p, 0, det);
  for (std::size_t i = 0; i < npar_; ++i) {
    w_.e[i] = store(std::sqrt(at_least(double(at(w_.d, i, i)), double(kUnderflowGuard))));
  }
  for (std::size_t i = 0; i < npar_; ++i) {
    for (std::size_t j = i; j < npar_; ++j) {
      at(w_.a, j, i) = at(w_.a, i, j) = store(double(at(w_.d, j, i)) / (double(w_.e[i]) * w_.e[j]));
    }
  }
  table(3, {}, {}, w_.a);
  report(fmt.normalising, {}, imp_ == 3);
  table(1, w_.e, {}, {});

  float sdev = somcarre.sdev;
  if (idf != 0) {
    sdev = store(double(ssq_) / double(idf));
    report(fmt.variance, {sdev, idf}, imp_ == 3);
    sdev = store(std::sqrt(double(sdev)));
    // Individual limits under the linear hypothesis: th +- 2 e sdev.
    for (std::size_t i = 0; i < npar_; ++i) {
      w_.p[i] = store(double(th_[i]) + 2.0 * w_.e[i] * sdev);
      w_.tb[i] = store(double(th_[i]) - 2.0 * w_.e[i] * sdev);
    }
    report(fmt.limits, {}, imp_ == 3);
    table(2, w_.tb, w_.p, {});

    // Intervals of the fitted values: f +- 2 sdev sqrt|g' d^-1 g|, with g the model's gradient at each
    // observation, from the differences re-evaluated at the final parameters.
    differences();
    for (std::size_t k = 0; k < nobs_; ++k) {
      float v = 0.0f;
      for (std::size_t i = 0; i < npar_; ++i) {
        for (std::size_t j = 0; j < npar_; ++j) {
          v = store(double(v) + double(delz(k, i)) * delz(k, j) * at(w_.d, i, j) /
                                    (double(difz_[i]) * th_[i] * difz_[j] * th_[j]));
        }
      }
      v = std::fabs(v);
      const float h = store(2.0 * std::sqrt(double(v)) * sdev);
      w_.r[k] = store(double(w_.f[k]) + h);
      lower_[k] = store(double(w_.f[k]) - h);
    }
    if (imp_ == 3) {
      OutputChannel& screen = *out_.imphau.mecran;
      screen.write(fmt.intervals, {});
      for (std::size_t low = 0; low < nobs_; low += 10) {
        const std::size_t width = std::min<std::size_t>(10, nobs_ - low);
        screen.write(fmt.values, {std::span<const float>(w_.r).subspan(low, width)});
        screen.write(fmt.values, {std::span<const float>(lower_).subspan(low, width)});
      }
    }
  }
  imp_ = entry_imp;

  float sumc = 0.0f;
  for (std::size_t i = 0; i < nobs_; ++i) {
    const double residual = double(w_.f[i]) - y_[i];
    sumc = store(double(sumc) + residual * residual);
  }
  const auto final_blocks = [&](OutputChannel& channel) {
    channel.write(fmt.estimates, {});
    channel.write(fmt.values, {params(th_)});
    channel.write(fmt.final_sum, {sumc});
  };
  final_blocks(*out_.imphau.mimp);
  if (imp_ > 0) final_blocks(*out_.imphau.mecran);

  somcarre.sumc = sumc;
  somcarre.sdev = sdev;
  somcarre.idf = idf;
}

}  // namespace

Haus59Result haus59(const Haus59Problem& problem, Haus59Settings& settings, const Haus59Workspace& work,
                    const EstimatorOutput& out, Somcarre& somcarre) {
  const std::size_t np = count(problem.np), nob = count(problem.nob);
  if (problem.th.size() < np || problem.difz.size() < np || problem.signs.size() < np || problem.y.size() < nob) {
    throw std::invalid_argument("haus59: parameter or observation array shorter than its count");
  }
  Core core(problem, settings, work, out);
  return core.run(somcarre);
}

}  // namespace laifit
