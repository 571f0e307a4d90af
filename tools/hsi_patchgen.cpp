// Generates the near-uniform patch-centre tables of the calibration engine.
//
// The first rows of each table are fixed; the remaining directions start on a
// golden-angle spiral and are relaxed by pairwise repulsion (energy 1/r^s,
// gradient steps projected onto the sphere, shrinking step), then printed as
// C++ rows. Usage: hsi_patchgen COUNT x0 y0 z0 [x1 y1 z1 ...] > rows.txt
// It also prints the smallest angle between two centres on stderr.
//
// With COUNT given as "trunc32" it prints the face centres of the truncated
// icosahedron. With COUNT given as "octa50" it prints instead the 50-direction set of
// octahedral symmetry (6 axes, 12 edge midpoints, 8 cube diagonals and the 24
// permutations and sign changes of (1, sqrt2 - 1, sqrt2 - 1)), whose smallest
// angle is the 24.374 degree cone of that table; relaxed repulsion spreads 50
// directions further (28.1 degrees), which would not match that cone.
//
// Build: g++ -O2 -o hsi_patchgen tools/hsi_patchgen.cpp
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

struct V { double x, y, z; };

static V unit(V a)
{
    double n = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
    return {a.x / n, a.y / n, a.z / n};
}

static double minAngleDeg(const std::vector<V>& p)
{
    double best = 1e9;
    for (size_t i = 0; i < p.size(); i++)
        for (size_t j = i + 1; j < p.size(); j++) {
            double d = p[i].x * p[j].x + p[i].y * p[j].y + p[i].z * p[j].z;
            d = d > 1 ? 1 : d;
            best = std::fmin(best, std::acos(d) * 180.0 / M_PI);
        }
    return best;
}

static int octa50()
{
    std::vector<V> p;
    const double t = std::sqrt(2.0) - 1.0;
    const int perm[3][3] = {{0, 1, 2}, {2, 1, 0}, {1, 2, 0}}; // where the long component goes
    for (int k = 0; k < 3; k++)
        for (int sg = 0; sg < 8; sg++) {
            double c[3];
            c[perm[k][0]] = (sg & 1) ? -1.0 : 1.0;
            c[perm[k][1]] = (sg & 2) ? -t : t;
            c[perm[k][2]] = (sg & 4) ? -t : t;
            p.push_back(unit({c[0], c[1], c[2]}));
        }
    for (int sg = 0; sg < 8; sg++)
        p.push_back(unit({(sg & 1) ? -1.0 : 1.0, (sg & 2) ? -1.0 : 1.0, (sg & 4) ? -1.0 : 1.0}));
    for (int a = 0; a < 3; a++)
        for (int sg = -1; sg <= 1; sg += 2) {
            double c[3] = {0, 0, 0};
            c[a] = sg;
            p.push_back({c[0], c[1], c[2]});
        }
    for (int a = 0; a < 3; a++)
        for (int sg = 0; sg < 4; sg++) {
            double c[3] = {0, 0, 0};
            c[(a + 1) % 3] = (sg & 1) ? -1.0 : 1.0;
            c[(a + 2) % 3] = (sg & 2) ? -1.0 : 1.0;
            p.push_back(unit({c[0], c[1], c[2]}));
        }
    std::swap(p[1], p[8]); // (t, t, 1) second, as the table has always begun
    for (const V& v : p) std::printf("    {%.4ff, %.4ff, %.4ff},\n", v.x, v.y, v.z);
    std::fprintf(stderr, "count %zu min angle %.3f deg\n", p.size(), minAngleDeg(p));
    return 0;
}

// Face centres of the truncated icosahedron: the 20 vertices of the dodecahedron
// (hexagons) followed by the 12 of its dual icosahedron (pentagons).
static int trunc32()
{
    std::vector<V> p;
    const double f = (1.0 + std::sqrt(5.0)) / 2.0, g = 1.0 / f;
    for (int sg = 0; sg < 4; sg++) // (0, +-1/phi, +-phi), then cyclic shifts
        for (int sh = 0; sh < 3; sh++) {
            double c[3];
            c[sh] = 0;
            c[(sh + 1) % 3] = (sg & 1) ? -g : g;
            c[(sh + 2) % 3] = (sg & 2) ? -f : f;
            p.push_back(unit({c[0], c[1], c[2]}));
        }
    for (int sg = 0; sg < 8; sg++)
        p.push_back(unit({(sg & 1) ? -1.0 : 1.0, (sg & 2) ? -1.0 : 1.0, (sg & 4) ? -1.0 : 1.0}));
    for (int sg = 0; sg < 4; sg++)
        for (int sh = 0; sh < 3; sh++) {
            double c[3];
            c[sh] = 0;
            c[(sh + 1) % 3] = (sg & 1) ? -f : f;
            c[(sh + 2) % 3] = (sg & 2) ? -1.0 : 1.0;
            p.push_back(unit({c[0], c[1], c[2]}));
        }
    std::swap(p[1], p[3]); // (0, -1/phi, phi) second
    for (const V& v : p) std::printf("    {%.4ff, %.4ff, %.4ff},\n", v.x, v.y, v.z);
    std::fprintf(stderr, "count %zu min angle %.3f deg\n", p.size(), minAngleDeg(p));
    return 0;
}

int main(int argc, char** argv)
{
    if (argc < 2) return 1;
    if (std::string(argv[1]) == "octa50") return octa50();
    if (std::string(argv[1]) == "trunc32") return trunc32();
    int n = std::atoi(argv[1]);
    std::vector<V> p;
    int fixed = (argc - 2) / 3;
    for (int k = 0; k < fixed; k++)
        p.push_back(unit({std::atof(argv[2 + 3 * k]), std::atof(argv[3 + 3 * k]), std::atof(argv[4 + 3 * k])}));
    const double golden = M_PI * (3.0 - std::sqrt(5.0));
    for (int k = fixed; k < n; k++) {
        double z = 1.0 - 2.0 * (k + 0.5) / n, r = std::sqrt(1 - z * z);
        p.push_back({r * std::cos(golden * k), r * std::sin(golden * k), z});
    }
    const double s = 6.0; // steep enough to push the closest pairs apart
    double step = 0.02;
    for (int it = 0; it < 6000; it++) {
        std::vector<V> f(n, V{0, 0, 0});
        for (int i = 0; i < n; i++)
            for (int j = 0; j < n; j++) {
                if (i == j) continue;
                V d{p[i].x - p[j].x, p[i].y - p[j].y, p[i].z - p[j].z};
                double r2 = d.x * d.x + d.y * d.y + d.z * d.z;
                double w = 1.0 / std::pow(r2, (s + 2) / 2);
                f[i].x += w * d.x; f[i].y += w * d.y; f[i].z += w * d.z;
            }
        double fmax = 0;
        for (int i = fixed; i < n; i++) fmax = std::fmax(fmax, std::sqrt(f[i].x * f[i].x + f[i].y * f[i].y + f[i].z * f[i].z));
        for (int i = fixed; i < n; i++)
            p[i] = unit({p[i].x + step * f[i].x / fmax, p[i].y + step * f[i].y / fmax, p[i].z + step * f[i].z / fmax});
        step *= 0.999;
    }
    for (int i = 0; i < n; i++) std::printf("    {%.4ff, %.4ff, %.4ff},\n", p[i].x, p[i].y, p[i].z);
    std::fprintf(stderr, "count %d min angle %.3f deg\n", n, minAngleDeg(p));
    return 0;
}
