// planet_images: writes the Sun, Moon and Earth texture maps (24-bit BMP, 1024 x 512).
// Sun and Moon come from seeded noise sampled on the sphere; Earth is a box-filtered source image.
#include <stb_image.h>
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int W = 1024, H = 512;
constexpr double PI = 3.14159265358979323846;

struct Vec3 {
    double x, y, z;
};
Vec3 operator+(Vec3 a, Vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator*(Vec3 a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(Vec3 a, Vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
double angle(Vec3 a, Vec3 b) {
    return std::acos(std::min(1.0, std::max(-1.0, dot(a, b))));
}
Vec3 mix(Vec3 a, Vec3 b, double t) {
    return a + (b + a * -1.0) * t;
}

double clamp01(double v) {
    return std::min(1.0, std::max(0.0, v));
}
double smoothstep(double a, double b, double v) {
    double t = clamp01((v - a) / (b - a));
    return t * t * (3.0 - 2.0 * t);
}

uint64_t mix64(uint64_t z) {
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

// splitmix64 generator; all randomness flows from fixed seeds.
struct Rng {
    uint64_t s;
    uint64_t next() { return mix64(s += 0x9E3779B97F4A7C15ull); }
    double uniform() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }
    double range(double a, double b) { return a + (b - a) * uniform(); }
    Vec3 onSphere() {
        double z = range(-1.0, 1.0), phi = range(0.0, 2.0 * PI), r = std::sqrt(1.0 - z * z);
        return {r * std::cos(phi), z, r * std::sin(phi)};
    }
};

uint64_t hash3(int64_t x, int64_t y, int64_t z, uint64_t seed) {
    uint64_t h = mix64(seed + uint64_t(x));
    h = mix64(h + uint64_t(y));
    return mix64(h + uint64_t(z));
}

// Gradient noise in 3-D, roughly in [-1, 1].
double noise(Vec3 p, uint64_t seed) {
    static const double G[12][3] = {{1, 1, 0}, {-1, 1, 0}, {1, -1, 0}, {-1, -1, 0},
                                    {1, 0, 1}, {-1, 0, 1}, {1, 0, -1}, {-1, 0, -1},
                                    {0, 1, 1}, {0, -1, 1}, {0, 1, -1}, {0, -1, -1}};
    double fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
    int64_t ix = int64_t(fx), iy = int64_t(fy), iz = int64_t(fz);
    double tx = p.x - fx, ty = p.y - fy, tz = p.z - fz;
    auto fade = [](double t) { return t * t * t * (t * (t * 6.0 - 15.0) + 10.0); };
    double c[8];
    for (int i = 0; i < 8; ++i) {
        int dx = i & 1, dy = (i >> 1) & 1, dz = (i >> 2) & 1;
        const double* g = G[hash3(ix + dx, iy + dy, iz + dz, seed) % 12];
        c[i] = g[0] * (tx - dx) + g[1] * (ty - dy) + g[2] * (tz - dz);
    }
    double u = fade(tx), v = fade(ty), w = fade(tz);
    auto lerp = [](double a, double b, double t) { return a + (b - a) * t; };
    double x00 = lerp(c[0], c[1], u), x10 = lerp(c[2], c[3], u);
    double x01 = lerp(c[4], c[5], u), x11 = lerp(c[6], c[7], u);
    return lerp(lerp(x00, x10, v), lerp(x01, x11, v), w);
}

double fbm(Vec3 p, int octaves, uint64_t seed) {
    double sum = 0.0, amp = 1.0, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise(p, seed + uint64_t(i) * 101);
        norm += amp;
        amp *= 0.5;
        p = p * 2.0;
    }
    return sum / norm;
}

// Cellular noise: returns F2 - F1 (zero on cell borders).
double cellEdge(Vec3 p, uint64_t seed) {
    double fx = std::floor(p.x), fy = std::floor(p.y), fz = std::floor(p.z);
    double f1 = 1e9, f2 = 1e9;
    for (int dz = -1; dz <= 1; ++dz)
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                double cx = fx + dx, cy = fy + dy, cz = fz + dz;
                uint64_t h = hash3(int64_t(cx), int64_t(cy), int64_t(cz), seed);
                double px = cx + double(h & 0xFFFF) / 65536.0 - p.x;
                double py = cy + double((h >> 16) & 0xFFFF) / 65536.0 - p.y;
                double pz = cz + double((h >> 32) & 0xFFFF) / 65536.0 - p.z;
                double d = std::sqrt(px * px + py * py + pz * pz);
                f2 = std::min(f2, std::max(f1, d));
                f1 = std::min(f1, d);
            }
    return f2 - f1;
}

// Unit direction of pixel centre (x, y): left edge on +X, top row north (+Y).
Vec3 pixelDir(double x, double y) {
    double lon = 2.0 * PI * (x + 0.5) / W, lat = 0.5 * PI - PI * (y + 0.5) / H;
    return {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
}

struct Image {
    std::vector<unsigned char> px = std::vector<unsigned char>(size_t(W) * H * 3);
    void set(int x, int y, Vec3 c) {
        unsigned char* p = &px[(size_t(y) * W + x) * 3];
        p[0] = (unsigned char)(clamp01(c.x) * 255.0 + 0.5);
        p[1] = (unsigned char)(clamp01(c.y) * 255.0 + 0.5);
        p[2] = (unsigned char)(clamp01(c.z) * 255.0 + 0.5);
    }
};

bool writeBmp(const std::string& path, const unsigned char* data) {
    if (!stbi_write_bmp(path.c_str(), W, H, 3, data)) {
        std::fprintf(stderr, "planet_images: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Sunspot centre and umbra radius (radians).
struct Spot {
    Vec3 c;
    double r;
};

Image makeSun() {
    Rng rng{0x5011};
    std::vector<Spot> spots;
    for (int g = 0; g < 9; ++g) { // spot groups in the two activity belts
        double lat = rng.range(0.12, 0.55) * (rng.uniform() < 0.5 ? -1.0 : 1.0);
        double lon = rng.range(0.0, 2.0 * PI);
        int n = 1 + int(rng.uniform() * 4.0);
        for (int i = 0; i < n; ++i) {
            double la = lat + rng.range(-0.03, 0.03), lo = lon + i * rng.range(0.04, 0.08);
            double r = (i == 0 ? rng.range(0.016, 0.032) : rng.range(0.007, 0.018));
            spots.push_back(
                {{std::cos(la) * std::cos(lo), std::sin(la), std::cos(la) * std::sin(lo)}, r});
        }
    }
    const Vec3 lane{0.96, 0.56, 0.10}, cell{1.0, 0.82, 0.36}, hot{1.0, 0.96, 0.70};
    Image img;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Vec3 d = pixelDir(x, y);
            Vec3 warp{fbm(d * 6.0, 3, 11), fbm(d * 6.0, 3, 12), fbm(d * 6.0, 3, 13)};
            Vec3 p = d * 45.0 + warp * 1.2;
            double g = smoothstep(0.0, 0.6, cellEdge(p, 21));
            g = 0.55 * g + 0.125 * fbm(d * 90.0, 2, 31) + 0.1 * fbm(d * 12.0, 3, 32) + 0.225;
            Vec3 col = g < 0.6 ? mix(lane, cell, g / 0.6) : mix(cell, hot, (g - 0.6) / 0.4);
            col = col * (0.93 + 0.09 * fbm(d * 3.0, 4, 41));
            Vec3 f{1, 1, 1};
            for (const Spot& s : spots) {
                double a = angle(d, s.c);
                if (a > 6.0 * s.r)
                    continue;
                double t = a / (s.r * (1.0 + 0.25 * noise(d * (2.0 / s.r), 51)));
                // Faculae: a patchy brighter ring around the spot.
                double ring = 1.0 - smoothstep(2.5, 6.0, a / s.r);
                f = f * (1.0 + 0.10 * ring * (0.5 + 0.5 * noise(d * 120.0, 52)));
                double pen = 1.0 - smoothstep(2.0, 2.5, t), umb = 1.0 - smoothstep(0.8, 1.05, t);
                Vec3 penF = Vec3{0.68, 0.50, 0.36} * (0.9 + 0.15 * noise(d * (9.0 / s.r), 53));
                f = mix(f, penF, pen);
                f = mix(f, Vec3{0.30, 0.16, 0.08}, umb);
            }
            img.set(x, y, {col.x * f.x, col.y * f.y, col.z * f.z});
        }
    return img;
}

const Vec3 kNearSide = pixelDir(W / 2, H / 2);

struct Basin {
    Vec3 c;
    double r;
};

// Impact basins flooded by mare, mostly on the near side.
const std::vector<Basin>& basins() {
    static const std::vector<Basin> list = [] {
        Rng rng{0x3a5e};
        std::vector<Basin> b;
        while (b.size() < 9) {
            Vec3 c = rng.onSphere();
            double r = rng.range(0.10, 0.30);
            if (dot(c, kNearSide) > 0.3 || rng.uniform() < 0.1)
                b.push_back({c, r});
        }
        return b;
    }();
    return list;
}

// Mare coverage in [0, 1]: round basins plus irregular lowland patches.
double mare(Vec3 d) {
    Vec3 warp{fbm(d * 2.0, 3, 61), fbm(d * 2.0, 3, 62), fbm(d * 2.0, 3, 63)};
    double n = fbm(d * 1.4 + warp * 0.5, 5, 64) + 0.22 * dot(d, kNearSide) - 0.08;
    double edge = 0.10 * fbm(d * 5.0 + warp, 4, 65);
    for (const Basin& b : basins())
        n = std::max(n, 0.30 - 0.20 * angle(d, b.c) / b.r + edge);
    return smoothstep(0.08, 0.20, n);
}

Image makeMoon() {
    std::vector<double> alb(size_t(W) * H), hgt(size_t(W) * H, 0.0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            Vec3 d = pixelDir(x, y);
            double a = 0.60 + 0.12 * fbm(d * 4.0, 6, 71) + 0.05 * fbm(d * 30.0, 3, 72);
            double m = mare(d);
            alb[size_t(y) * W + x] = a + m * (0.34 + 0.08 * fbm(d * 7.0, 5, 73) - a);
        }
    Rng rng{0x300};
    for (int i = 0; i < 6000; ++i) {
        Vec3 c = rng.onSphere();
        double r = std::min(0.20, 0.006 * std::pow(1.0 - rng.uniform(), -1.0 / 2.6));
        double fresh = std::pow(rng.uniform(), 4.0);
        double skip = rng.uniform();
        if (r < 0.04 && skip < 0.75 * mare(c))
            continue; // mare floors are younger
        double ext = 2.0 * r, depth = (0.5 + 0.5 * fresh) * 0.3 * r / (1.0 + r / 0.05);
        double flat = r > 0.05 ? 0.6 : 1.0;
        double latc = std::asin(c.y), lonc = std::atan2(c.z, c.x);
        int y0 = std::max(0, int((0.5 * PI - latc - ext) / PI * H) - 1);
        int y1 = std::min(H - 1, int((0.5 * PI - latc + ext) / PI * H) + 1);
        for (int y = y0; y <= y1; ++y) {
            double lat = 0.5 * PI - PI * (y + 0.5) / H;
            double den = std::cos(lat) * std::cos(latc);
            double cosd =
                den > 1e-9 ? (std::cos(ext) - std::sin(lat) * std::sin(latc)) / den : -2.0;
            if (cosd > 1.0)
                continue;
            double half = cosd < -1.0 ? PI : std::acos(cosd);
            int x0 = int(std::floor((lonc - half) / (2.0 * PI) * W)) - 1;
            int x1 = half >= PI ? x0 + W - 1 : int(std::ceil((lonc + half) / (2.0 * PI) * W)) + 1;
            x1 = std::min(x1, x0 + W - 1); // never visit a pixel twice
            for (int xx = x0; xx <= x1; ++xx) {
                int x = ((xx % W) + W) % W;
                Vec3 d = pixelDir(x, y);
                double a = angle(d, c);
                double t = a / (r * (1.0 + 0.06 * noise(d * (3.0 / r), uint64_t(i) + 900)));
                if (t >= 2.0)
                    continue;
                double bowl = t < 1.0 ? std::max(t * t - 1.0, -flat) : 0.0;
                double rim = std::exp(-(t - 1.0) * (t - 1.0) / 0.03);
                double ejecta =
                    t > 1.0 ? std::exp(-(t - 1.0) * 3.0) * (1.0 - smoothstep(1.5, 2.0, t)) : 0.0;
                double peak = r > 0.07 ? 0.35 * std::exp(-t * t / 0.02) : 0.0;
                size_t k = size_t(y) * W + x;
                hgt[k] += depth * (bowl + 0.30 * rim + 0.12 * ejecta + peak);
                // Young craters keep a bright rim, floor and ejecta blanket.
                double halo = 0.10 * rim + 0.12 * ejecta + (t < 1.0 ? 0.06 : 0.0);
                alb[k] += (t < 0.9 ? -0.07 : 0.0) + 0.02 * rim + fresh * halo;
            }
        }
    }
    // Relief shading as if lit from the west-north-west; crater bowls read as hollows.
    const double lx = 0.9, ly = -0.44, dxs = 2.0 * PI / W, dys = PI / H;
    Image img;
    for (int y = 0; y < H; ++y) {
        double cl = std::max(0.08, std::cos(0.5 * PI - PI * (y + 0.5) / H));
        int yn = std::max(0, y - 1), ys = std::min(H - 1, y + 1);
        for (int x = 0; x < W; ++x) {
            int xe = (x + 1) % W, xw = (x + W - 1) % W;
            double ge = (hgt[size_t(y) * W + xe] - hgt[size_t(y) * W + xw]) / (2.0 * dxs * cl);
            double gn = (hgt[size_t(yn) * W + x] - hgt[size_t(ys) * W + x]) / ((ys - yn) * dys);
            double shade = std::max(0.3, std::min(1.7, 1.0 + 2.5 * (ge * lx + gn * ly)));
            Vec3 d = pixelDir(x, y);
            double v = alb[size_t(y) * W + x] * shade + 0.025 * noise(d * 300.0, 81);
            img.set(x, y, Vec3{1.0, 0.98, 0.94} * v);
        }
    }
    return img;
}

bool makeEarth(const std::string& src, const std::string& out) {
    int w = 0, h = 0, n = 0;
    unsigned char* in = stbi_load(src.c_str(), &w, &h, &n, 3);
    if (!in) {
        std::fprintf(stderr, "planet_images: cannot read %s: %s\n", src.c_str(),
                     stbi_failure_reason());
        return false;
    }
    if (w != 2 * W || h != 2 * H) {
        std::fprintf(stderr, "planet_images: %s is %d x %d, expected %d x %d\n", src.c_str(), w, h,
                     2 * W, 2 * H);
        stbi_image_free(in);
        return false;
    }
    std::vector<unsigned char> px(size_t(W) * H * 3);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            for (int c = 0; c < 3; ++c) {
                auto at = [&](int sx, int sy) { return int(in[(size_t(sy) * w + sx) * 3 + c]); };
                int sx = 2 * x, sy = 2 * y;
                int sum = at(sx, sy) + at(sx + 1, sy) + at(sx, sy + 1) + at(sx + 1, sy + 1);
                px[(size_t(y) * W + x) * 3 + c] = (unsigned char)((sum + 2) / 4);
            }
    stbi_image_free(in);
    return writeBmp(out, px.data());
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <out-dir> [<earth-source.jpg>]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = writeBmp(dir + "/sun.bmp", makeSun().px.data());
    ok = writeBmp(dir + "/moon.bmp", makeMoon().px.data()) && ok;
    if (argc == 3)
        ok = makeEarth(argv[2], dir + "/earth.bmp") && ok;
    return ok ? 0 : 1;
}
