// Calibration engine benchmark: one full 3D run (keep over a two-minute tumble
// at 10 Hz, solve on the kept set, figure of merit) and one 2D run (two level
// turns), timed per solve, with the accuracy of the recovered calibration at
// three noise levels. For comparison the same kept samples are fitted with a
// double-precision reference ellipsoid fit (the same 9-parameter normal
// equations, solved with Eigen's SelfAdjointEigenSolver).
//
// Run: cmake -S . -B build-x -DAQ9_BENCHMARKS=ON && cmake --build build-x --target hsi_bench
//      ./build-x/bench/hsi_bench
#include <benchmark/benchmark.h>

#include <Eigen/Dense>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

#include "aq/hsi/aqhsi.h"
#include "aq/hsi/aqhsi3d.h"
#include "hsiSimulation.h"

namespace {

const double PI = 3.141592653589793;
// Distortion with a rotation part, and a hard-iron offset (gauss).
const double D_TRUE[9] = {1.06, 0.04, -0.03, 0.01, 0.95, 0.05, -0.02, 0.03, 1.02};
const double H_TRUE[3] = {0.085, -0.052, 0.121};
// Inverse distortion of the 2D runs in level axes (symmetric, unit vertical).
const double W_LEVEL[9] = {0.96, 0.03, 0.02, 0.03, 1.05, -0.015, 0.02, -0.015, 1.0};

using hsisim::Rng;

Eigen::Matrix3d rowMajor(const double* m)
{
    Eigen::Matrix3d r;
    r << m[0], m[1], m[2], m[3], m[4], m[5], m[6], m[7], m[8];
    return r;
}

Eigen::Matrix3d dcm(double yaw, double pitch, double roll)
{
    double cps = std::cos(yaw), sps = std::sin(yaw), cth = std::cos(pitch), sth = std::sin(pitch);
    double cph = std::cos(roll), sph = std::sin(roll);
    Eigen::Matrix3d C;
    C << cth * cps, cth * sps, -sth, sph * sth * cps - cph * sps, cph * cps + sph * sth * sps, sph * cth,
        sph * sps + cph * sth * cps, cph * sth * sps - sph * cps, cph * cth;
    return C;
}

// The driver's run configuration, shared with the engine's known-answer tests.
using hsisim::config;

AqHsiYmr sample(const Eigen::Matrix3d& D, const double* h, double noise, const AqHsiDipole& dp, double yaw,
                double pitch, double roll, const Eigen::Vector3d& gyro, Rng& rng)
{
    Eigen::Vector3d b = dcm(yaw, pitch, roll) * Eigen::Vector3d(dp.Bnorth, 0.0, dp.Bdown);
    Eigen::Vector3d raw = D * b;
    AqHsiYmr m = {};
    const double ypr[3] = {yaw * 180.0 / PI, pitch * 180.0 / PI, roll * 180.0 / PI};
    for (int k = 0; k < 3; k++) {
        m.ypr.c[k] = (float)ypr[k];
        m.mag.c[k] = (float)(raw[k] + h[k] + noise * rng.gauss());
        m.gyro.c[k] = (float)gyro[k];
    }
    return m;
}

// Two minutes at 10 Hz of a vehicle tumbling through every orientation.
std::vector<AqHsiYmr> tumble3d(AqHsiConfig& c, double noise, uint64_t seed, size_t* offered)
{
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    Eigen::Matrix3d D = rowMajor(D_TRUE);
    Rng rng(seed);
    std::vector<AqHsiYmr> kept;
    const int n = 1200;
    for (int k = 0; k < n; k++) {
        double yaw = 2.0 * PI * rng.uniform() - PI, pitch = std::asin(2.0 * rng.uniform() - 1.0);
        double roll = 2.0 * PI * rng.uniform() - PI;
        AqHsiYmr m = sample(D, H_TRUE, noise, dp, yaw, pitch, roll, Eigen::Vector3d::Zero(), rng);
        if (aqhsi_keep(&c, m)) kept.push_back(m);
    }
    *offered = n;
    return kept;
}

// Two level turns at 20 deg/s sampled at 10 Hz, the first sample at rest.
std::vector<AqHsiYmr> turn2d(AqHsiConfig& c, double noise, uint64_t seed)
{
    aqhsi_init(&c);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    Eigen::Matrix3d D = rowMajor(W_LEVEL).inverse();
    Rng rng(seed);
    std::vector<AqHsiYmr> kept;
    for (int k = 0; k <= 360; k++) {
        double rate = k == 0 ? 0.0 : 20.0 * PI / 180.0;
        double yaw = std::fmod(2.0 * k, 360.0) * PI / 180.0 - PI;
        AqHsiYmr m = sample(D, H_TRUE, noise, dp, yaw, 0.0, 0.0, Eigen::Vector3d(0, 0, rate), rng);
        if (aqhsi_keep(&c, m)) kept.push_back(m);
    }
    return kept;
}

struct Ellipsoid
{
    Eigen::Matrix3d SV;
    Eigen::Vector3d HI;
    bool ok;
};

// Reference: the engine's quadric normal equations in double precision.
Ellipsoid referenceFit(const std::vector<AqHsiYmr>& m, double R)
{
    Eigen::Matrix<double, 9, 9> HTH = Eigen::Matrix<double, 9, 9>::Zero();
    Eigen::Matrix<double, 9, 1> HTY = Eigen::Matrix<double, 9, 1>::Zero();
    for (const AqHsiYmr& s : m) {
        double x = s.mag.c[0], y = s.mag.c[1], z = s.mag.c[2];
        Eigen::Matrix<double, 9, 1> H;
        H << x * x + y * y - 2 * z * z, x * x - 2 * y * y + z * z, 2 * x * y, 2 * x * z, 2 * y * z, x * R, y * R,
            z * R, R * R;
        HTH += H * H.transpose();
        HTY += H * (-(x * x + y * y + z * z));
    }
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix<double, 9, 9>> es(HTH);
    Eigen::Matrix<double, 9, 1> X =
        es.eigenvectors() * es.eigenvalues().cwiseInverse().asDiagonal() * es.eigenvectors().transpose() * HTY;
    double a = X[0] + X[1] + 1.0, b = a - 3.0 * X[1], c = a - 3.0 * X[0];
    Eigen::Matrix3d A;
    A << a, X[2], X[3], X[2], b, X[4], X[3], X[4], c;
    Eigen::Vector3d v(X[5], X[6], X[7]);
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> ea(A);
    Ellipsoid e;
    e.ok = ea.eigenvalues().minCoeff() > 0.0;
    e.HI = -0.5 * R * A.inverse() * v;
    double scale = 1.0 / std::sqrt(-X[8] - (0.5 / R) * v.dot(e.HI));
    e.SV = scale * ea.eigenvectors() * ea.eigenvalues().cwiseSqrt().asDiagonal() * ea.eigenvectors().transpose();
    return e;
}

Ellipsoid engineFit(std::vector<AqHsiYmr>& m, const AqHsiDipole& dp)
{
    float SV[9], HI[3], cov;
    Ellipsoid e;
    e.ok = aqhsi_fit_ellipsoid(dp, m.data(), NULL, (int)m.size(), SV, HI, &cov) == E_NONE;
    for (int i = 0; i < 3; i++) {
        e.HI[i] = HI[i];
        for (int j = 0; j < 3; j++) e.SV(i, j) = SV[3 * i + j];
    }
    return e;
}

// RMS of |SV (m - HI)| / R - 1 in percent.
double residualRmsPct(const std::vector<AqHsiYmr>& m, const Eigen::Matrix3d& SV, const Eigen::Vector3d& HI,
                      double R)
{
    double s = 0.0;
    for (const AqHsiYmr& x : m) {
        Eigen::Vector3d v(x.mag.c[0], x.mag.c[1], x.mag.c[2]);
        double r = (SV * (v - HI)).norm() / R - 1.0;
        s += r * r;
    }
    return 100.0 * std::sqrt(s / (double)m.size());
}

template <typename F> double medianMicros(F f, int reps)
{
    std::vector<double> t;
    for (int k = 0; k < reps; k++) {
        auto t0 = std::chrono::steady_clock::now();
        f();
        t.push_back(std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0).count());
    }
    std::sort(t.begin(), t.end());
    return t[t.size() / 2];
}

void accuracyTable()
{
    const double noises[3] = {0.0005, 0.002, 0.005};
    Eigen::Matrix3d Dinv = rowMajor(D_TRUE).inverse();
    // The ellipsoid alone recovers the symmetric factor of D^-1 = Q * S.
    Eigen::SelfAdjointEigenSolver<Eigen::Matrix3d> ps(Dinv.transpose() * Dinv);
    Eigen::Matrix3d S = ps.eigenvectors() * ps.eigenvalues().cwiseSqrt().asDiagonal() * ps.eigenvectors().transpose();
    std::printf("3D: 2-minute tumble at 10 Hz (1200 offered), site 36.8 N 121.8 W\n");
    std::printf("%-5s %5s | %-34s | %-26s | %-26s | %s\n", "noise", "kept", "engine full solve (float)",
                "engine ellipsoid (float)", "reference ellipsoid (double)", "ellipsoid fit us");
    std::printf("%-5s %5s | %9s %8s %6s %8s | %9s %8s %7s | %9s %8s %7s | %s\n", "mG", "", "SI err", "HI mG", "RMS %",
                "solve us", "SV err", "HI mG", "RMS %", "SV err", "HI mG", "RMS %", "engine / ref = ratio");
    for (double noise : noises) {
        AqHsiConfig c = config(HSI_MODE_3D);
        size_t offered = 0;
        std::vector<AqHsiYmr> kept = tumble3d(c, noise, 11, &offered);
        AqHsiDipole dp = aqhsi_get_dipole(0);
        AqHsiSol sol;
        AqError code = aqhsi_solve(&c, kept.data(), kept.size(), &sol);
        double siErr = 0, hiErr = 0;
        for (int i = 0; i < 3; i++) {
            hiErr = std::max(hiErr, std::fabs(sol.HI.c[i] - H_TRUE[i]));
            for (int j = 0; j < 3; j++) siErr = std::max(siErr, std::fabs(sol.SI.e[3 * i + j] - Dinv(i, j)));
        }
        AqHsiFom fom;
        unsigned int score[AQHSI_NUM_FOM];
        aqhsi_figure_of_merit(&c, kept.data(), kept.size(), sol, &fom, score, NULL, NULL, NULL);
        double rms = 100.0 * std::sqrt(fom.ellipsoidFitResidualsStd * fom.ellipsoidFitResidualsStd +
                                       fom.ellipsoidFitResidualsMean * fom.ellipsoidFitResidualsMean);
        double solveUs = medianMicros(
            [&] {
                AqHsiSol s;
                aqhsi_init(&c);
                benchmark::DoNotOptimize(aqhsi_solve(&c, kept.data(), kept.size(), &s));
            },
            31);
        Ellipsoid ef = engineFit(kept, dp), rf = referenceFit(kept, dp.sphereRad);
        double efUs = medianMicros([&] { benchmark::DoNotOptimize(engineFit(kept, dp)); }, 101);
        double rfUs = medianMicros([&] { benchmark::DoNotOptimize(referenceFit(kept, dp.sphereRad)); }, 101);
        Eigen::Vector3d h(H_TRUE[0], H_TRUE[1], H_TRUE[2]);
        std::printf("%-5.1f %5zu | %9.2e %8.3f %6.3f %8.0f | %9.2e %8.3f %7.3f | %9.2e %8.3f %7.3f | %.0f / %.0f = %.2f%s\n",
                    noise * 1000, kept.size(), siErr, hiErr * 1000, rms, solveUs, (ef.SV - S).cwiseAbs().maxCoeff(),
                    (ef.HI - h).cwiseAbs().maxCoeff() * 1000, residualRmsPct(kept, ef.SV, ef.HI, dp.sphereRad),
                    (rf.SV - S).cwiseAbs().maxCoeff(), (rf.HI - h).cwiseAbs().maxCoeff() * 1000,
                    residualRmsPct(kept, rf.SV, rf.HI, dp.sphereRad), efUs, rfUs, efUs / rfUs,
                    code == E_NONE && ef.ok && rf.ok ? "" : "  (a fit failed)");
    }
    std::printf("\n2D: two level turns at 20 deg/s, 10 Hz\n");
    std::printf("%-5s %5s | %9s %8s %6s %8s\n", "mG", "kept", "SI err", "HI mG", "RMS %", "solve us");
    for (double noise : noises) {
        AqHsiConfig c = config(HSI_MODE_2D);
        std::vector<AqHsiYmr> kept = turn2d(c, noise, 31);
        AqHsiSol sol;
        AqError code = aqhsi_solve(&c, kept.data(), kept.size(), &sol);
        double siErr = 0, hiErr = 0;
        for (int i = 0; i < 3; i++) {
            hiErr = std::max(hiErr, std::fabs(sol.HI.c[i] - H_TRUE[i]));
            for (int j = 0; j < 3; j++) siErr = std::max(siErr, std::fabs(sol.SI.e[3 * i + j] - W_LEVEL[3 * i + j]));
        }
        AqHsiFom fom;
        unsigned int score[AQHSI_NUM_FOM];
        aqhsi_figure_of_merit(&c, kept.data(), kept.size(), sol, &fom, score, NULL, NULL, NULL);
        double rms = 100.0 * std::sqrt(fom.ellipsoidFitResidualsStd * fom.ellipsoidFitResidualsStd +
                                       fom.ellipsoidFitResidualsMean * fom.ellipsoidFitResidualsMean);
        double us = medianMicros(
            [&] {
                AqHsiSol s;
                benchmark::DoNotOptimize(aqhsi_solve(&c, kept.data(), kept.size(), &s));
            },
            101);
        std::printf("%-5.1f %5zu | %9.2e %8.3f %6.3f %8.0f%s\n", noise * 1000, kept.size(), siErr, hiErr * 1000, rms,
                    us, code == E_NONE ? "" : "  (solve failed)");
    }
    std::printf("\n");
}

void BM_Hsi3dFullRun(benchmark::State& state)
{
    for (auto _ : state) {
        AqHsiConfig c = config(HSI_MODE_3D);
        size_t offered;
        std::vector<AqHsiYmr> kept = tumble3d(c, 0.002, 11, &offered);
        AqHsiSol sol;
        AqHsiFom fom;
        unsigned int score[AQHSI_NUM_FOM];
        if (aqhsi_solve(&c, kept.data(), kept.size(), &sol) == E_NONE)
            aqhsi_figure_of_merit(&c, kept.data(), kept.size(), sol, &fom, score, NULL, NULL, NULL);
        benchmark::DoNotOptimize(sol);
        state.counters["kept"] = (double)kept.size();
    }
}
BENCHMARK(BM_Hsi3dFullRun)->Unit(benchmark::kMillisecond);

void BM_Hsi3dSolve(benchmark::State& state)
{
    AqHsiConfig c = config(HSI_MODE_3D);
    size_t offered;
    std::vector<AqHsiYmr> kept = tumble3d(c, 0.002, 11, &offered);
    for (auto _ : state) {
        AqHsiSol sol;
        aqhsi_init(&c);
        benchmark::DoNotOptimize(aqhsi_solve(&c, kept.data(), kept.size(), &sol));
    }
    state.counters["kept"] = (double)kept.size();
}
BENCHMARK(BM_Hsi3dSolve)->Unit(benchmark::kMillisecond);

void BM_Hsi3dEllipsoidFit(benchmark::State& state)
{
    AqHsiConfig c = config(HSI_MODE_3D);
    size_t offered;
    std::vector<AqHsiYmr> kept = tumble3d(c, 0.002, 11, &offered);
    AqHsiDipole dp = aqhsi_get_dipole(0);
    for (auto _ : state) benchmark::DoNotOptimize(engineFit(kept, dp));
}
BENCHMARK(BM_Hsi3dEllipsoidFit)->Unit(benchmark::kMicrosecond);

void BM_ReferenceEllipsoidFitEigenDouble(benchmark::State& state)
{
    AqHsiConfig c = config(HSI_MODE_3D);
    size_t offered;
    std::vector<AqHsiYmr> kept = tumble3d(c, 0.002, 11, &offered);
    double R = aqhsi_get_dipole(0).sphereRad;
    for (auto _ : state) benchmark::DoNotOptimize(referenceFit(kept, R));
}
BENCHMARK(BM_ReferenceEllipsoidFitEigenDouble)->Unit(benchmark::kMicrosecond);

void BM_Hsi2dSolve(benchmark::State& state)
{
    AqHsiConfig c = config(HSI_MODE_2D);
    std::vector<AqHsiYmr> kept = turn2d(c, 0.002, 31);
    for (auto _ : state) {
        AqHsiSol sol;
        benchmark::DoNotOptimize(aqhsi_solve(&c, kept.data(), kept.size(), &sol));
    }
    state.counters["kept"] = (double)kept.size();
}
BENCHMARK(BM_Hsi2dSolve)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    accuracyTable();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
