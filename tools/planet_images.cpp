// planet_images: writes the Sun, Moon and Earth texture maps (24-bit BMP, 1024 x 512).
// Sun and Moon come from seeded noise sampled on the sphere; Earth is a box-filtered source image.
#define GLM_ENABLE_EXPERIMENTAL
#include <glm/gtc/noise.hpp>
#include <glm/gtc/type_precision.hpp>
#include <glm/gtx/vector_angle.hpp>
// stb is header-only: this file compiles the JPEG reader (for the Earth's source) and the BMP
// writer it uses.
#define STBI_ONLY_JPEG
#define STB_IMAGE_IMPLEMENTATION
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

using glm::dvec3, glm::mix, glm::smoothstep;
constexpr int W = 1024, H = 512;
constexpr double PI = 3.14159265358979323846;
// The maps carry no detail finer than the screen shows at the usual distances: the viewer samples
// them with GL_LINEAR at level 0, so finer texels only sparkle as the bodies turn (`make bench`
// measures it). At the start view one pixel spans about 0.02 rad of the Sun's surface at the
// disc's centre, from twice as far 0.04 rad; the Moon seen from 9 units, 0.09 rad. So noise stops
// at about 0.05 rad, the Sun's granulation cells are about 0.09 rad wide (5 pixels at the start
// view), spot edges are soft over a pixel, and the Moon keeps craters of 0.035 rad radius and up,
// with a gentler relief shading and highland grain, as it turns fast enough to show any contrast.
constexpr double SUN_CELLS = 11.0;        // granulation cells per radian
constexpr double SUN_MOTTLE = 14.0;       // the finest noise on the granules
constexpr double MOON_MIN_CRATER = 0.035; // radius in radians; smaller ones drawn, then skipped

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
    dvec3 onSphere() {
        double z = range(-1.0, 1.0), phi = range(0.0, 2.0 * PI), r = std::sqrt(1.0 - z * z);
        return {r * std::cos(phi), z, r * std::sin(phi)};
    }
};

uint64_t hash3(int64_t x, int64_t y, int64_t z, uint64_t seed) {
    uint64_t h = mix64(seed + uint64_t(x));
    h = mix64(h + uint64_t(y));
    return mix64(h + uint64_t(z));
}

// Gradient noise in about [-1, 1]: glm's Perlin noise, shifted by an offset of its own per seed.
double noise(dvec3 p, uint64_t seed) {
    return glm::perlin(p + dvec3(37.1, 17.3, 53.9) * double(seed));
}

double fbm(dvec3 p, int octaves, uint64_t seed) {
    double sum = 0.0, amp = 1.0, norm = 0.0;
    for (int i = 0; i < octaves; ++i) {
        sum += amp * noise(p, seed + uint64_t(i) * 101);
        norm += amp;
        amp *= 0.5;
        p *= 2.0;
    }
    return sum / norm;
}

// Cellular noise: returns F2 - F1 (zero on cell borders).
double cellEdge(dvec3 p, uint64_t seed) {
    double f1 = 1e9, f2 = 1e9;
    for (int i = 0; i < 27; ++i) {
        dvec3 c = glm::floor(p) + dvec3(i % 3 - 1, i / 3 % 3 - 1, i / 9 - 1);
        uint64_t h = hash3(int64_t(c.x), int64_t(c.y), int64_t(c.z), seed);
        dvec3 jitter(h & 0xFFFF, (h >> 16) & 0xFFFF, (h >> 32) & 0xFFFF);
        double d = glm::distance(c + jitter / 65536.0, p);
        f2 = std::min(f2, std::max(f1, d));
        f1 = std::min(f1, d);
    }
    return f2 - f1;
}

// Unit direction of pixel centre (x, y): left edge on +X, top row north (+Y).
dvec3 pixelDir(double x, double y) {
    double lon = 2.0 * PI * (x + 0.5) / W, lat = 0.5 * PI - PI * (y + 0.5) / H;
    return {std::cos(lat) * std::cos(lon), std::sin(lat), std::cos(lat) * std::sin(lon)};
}

// A W x H picture, 8 bits per channel, rows top to bottom.
using Image = std::vector<glm::u8vec3>;

glm::u8vec3 toPixel(dvec3 c) {
    return glm::u8vec3(glm::clamp(c, 0.0, 1.0) * 255.0 + 0.5);
}

bool writeBmp(const std::string& path, const Image& img) {
    if (!stbi_write_bmp(path.c_str(), W, H, 3, img.data())) {
        std::fprintf(stderr, "planet_images: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

// Sunspot centre and umbra radius (radians).
struct Spot {
    dvec3 c;
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
            double la = lat + rng.range(-0.04, 0.04), lo = lon + i * rng.range(0.07, 0.12);
            double r = (i == 0 ? rng.range(0.030, 0.048) : rng.range(0.018, 0.030));
            spots.push_back(
                {{std::cos(la) * std::cos(lo), std::sin(la), std::cos(la) * std::sin(lo)}, r});
        }
    }
    const dvec3 lane{0.96, 0.56, 0.10}, cell{1.0, 0.82, 0.36}, hot{1.0, 0.96, 0.70};
    Image img(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            dvec3 d = pixelDir(x, y);
            dvec3 warp{fbm(d * 4.0, 2, 11), fbm(d * 4.0, 2, 12), fbm(d * 4.0, 2, 13)};
            double g = smoothstep(0.0, 1.0, cellEdge(d * SUN_CELLS + warp * 0.8, 21));
            g = 0.55 * g + 0.125 * fbm(d * SUN_MOTTLE, 1, 31) + 0.1 * fbm(d * 8.0, 2, 32) + 0.32;
            dvec3 col = g < 0.6 ? mix(lane, cell, g / 0.6) : mix(cell, hot, (g - 0.6) / 0.4);
            col *= 0.93 + 0.09 * fbm(d * 3.0, 3, 41);
            dvec3 f(1.0);
            for (const Spot& s : spots) {
                double a = glm::angle(d, s.c);
                if (a > 6.0 * s.r)
                    continue;
                double t = a / (s.r * (1.0 + 0.2 * noise(d * 25.0, 51)));
                // Faculae: a patchy brighter ring around the spot.
                double ring = 1.0 - smoothstep(2.5, 6.0, a / s.r);
                f *= 1.0 + 0.10 * ring * (0.5 + 0.5 * noise(d * 20.0, 52));
                double pen = 1.0 - smoothstep(1.8, 2.6, t), umb = 1.0 - smoothstep(0.7, 1.2, t);
                dvec3 penF = dvec3(0.68, 0.50, 0.36) * (0.9 + 0.15 * noise(d * 25.0, 53));
                f = mix(mix(f, penF, pen), dvec3(0.30, 0.16, 0.08), umb);
            }
            img[size_t(y) * W + x] = toPixel(col * f);
        }
    return img;
}

const dvec3 kNearSide = pixelDir(W / 2, H / 2);

struct Basin {
    dvec3 c;
    double r;
};

// Impact basins flooded by mare, mostly on the near side.
const std::vector<Basin>& basins() {
    static const std::vector<Basin> list = [] {
        Rng rng{0x3a5e};
        std::vector<Basin> b;
        while (b.size() < 9) {
            dvec3 c = rng.onSphere();
            double r = rng.range(0.10, 0.30);
            if (glm::dot(c, kNearSide) > 0.3 || rng.uniform() < 0.1)
                b.push_back({c, r});
        }
        return b;
    }();
    return list;
}

// Mare coverage in [0, 1]: round basins plus irregular lowland patches.
double mare(dvec3 d) {
    dvec3 warp{fbm(d * 2.0, 3, 61), fbm(d * 2.0, 3, 62), fbm(d * 2.0, 3, 63)};
    double n = fbm(d * 1.4 + warp * 0.5, 4, 64) + 0.22 * glm::dot(d, kNearSide) - 0.08;
    double edge = 0.10 * fbm(d * 5.0 + warp, 2, 65);
    for (const Basin& b : basins())
        n = std::max(n, 0.30 - 0.20 * glm::angle(d, b.c) / b.r + edge);
    return smoothstep(0.08, 0.20, n);
}

Image makeMoon() {
    std::vector<double> alb(size_t(W) * H), hgt(size_t(W) * H, 0.0);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            dvec3 d = pixelDir(x, y);
            double a = 0.60 + 0.12 * fbm(d * 4.0, 4, 71) + 0.03 * fbm(d * 12.0, 1, 72);
            alb[size_t(y) * W + x] = mix(a, 0.34 + 0.08 * fbm(d * 7.0, 3, 73), mare(d));
        }
    Rng rng{0x300};
    for (int i = 0; i < 6000; ++i) {
        dvec3 c = rng.onSphere();
        double r = std::min(0.20, 0.006 * std::pow(1.0 - rng.uniform(), -1.0 / 2.6));
        double fresh = std::pow(rng.uniform(), 4.0);
        double skip = rng.uniform();
        // Too small to show; or on a mare, whose floor is younger than most small craters.
        if (r < MOON_MIN_CRATER || (r < 0.04 && skip < 0.75 * mare(c)))
            continue;
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
                dvec3 d = pixelDir(x, y);
                double t =
                    glm::angle(d, c) / (r * (1.0 + 0.06 * noise(d * (3.0 / r), uint64_t(i) + 900)));
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
    Image img(size_t(W) * H);
    for (int y = 0; y < H; ++y) {
        double cl = std::max(0.08, std::cos(0.5 * PI - PI * (y + 0.5) / H));
        int yn = std::max(0, y - 1), ys = std::min(H - 1, y + 1);
        for (int x = 0; x < W; ++x) {
            int xe = (x + 1) % W, xw = (x + W - 1) % W;
            double ge = (hgt[size_t(y) * W + xe] - hgt[size_t(y) * W + xw]) / (2.0 * dxs * cl);
            double gn = (hgt[size_t(yn) * W + x] - hgt[size_t(ys) * W + x]) / ((ys - yn) * dys);
            double shade = glm::clamp(1.0 + 1.8 * (ge * lx + gn * ly), 0.3, 1.7);
            double v = alb[size_t(y) * W + x] * shade;
            img[size_t(y) * W + x] = toPixel(dvec3(1.0, 0.98, 0.94) * v);
        }
    }
    return img;
}

// Earth: the source map halved with a 2 x 2 box filter, rounded to nearest.
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
    Image img(size_t(W) * H);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            glm::ivec3 sum(2);
            for (int k = 0; k < 4; ++k) {
                const unsigned char* p = in + (size_t(2 * y + k / 2) * w + 2 * x + k % 2) * 3;
                sum += glm::ivec3(p[0], p[1], p[2]);
            }
            img[size_t(y) * W + x] = glm::u8vec3(sum / 4);
        }
    stbi_image_free(in);
    return writeBmp(out, img);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s <out-dir> [<earth-source.jpg>]\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = writeBmp(dir + "/sun.bmp", makeSun());
    ok = writeBmp(dir + "/moon.bmp", makeMoon()) && ok;
    if (argc == 3)
        ok = makeEarth(argv[2], dir + "/earth.bmp") && ok;
    return ok ? 0 : 1;
}
