# The picture measures of `make bench`, over frames read back from the viewer: flicker, the mean
# absolute change of a pixel from one frame to the next, and detail, the mean absolute difference
# of a pixel from the mean of its 3 x 3 neighbourhood; both in 8-bit levels, over the red, green
# and blue of the pixels well inside a body's disc, where neither its outline nor the sky counts.
import math

# The viewer's projection: a 60-degree vertical field of view over its 600 rows.
FOCAL_PX = 300 / math.tan(math.radians(30))
INSIDE = 0.85  # share of the disc's radius measured: the mesh's outline stays outside it


def disc_radius_px(radius, distance):
    """Radius in pixels of the outline of a sphere seen from `distance` to its centre, on the
    axis of the view."""
    return FOCAL_PX * math.tan(math.asin(radius / distance))


def disc_indices(size, radius_px):
    """Byte offsets of the red, green and blue of the pixels of a centred size x size RGBA square
    whose centres lie within INSIDE of `radius_px` of its centre."""
    limit, half = (INSIDE * radius_px) ** 2, size / 2
    return [4 * (y * size + x) + c for y in range(size) for x in range(size)
            if (x + 0.5 - half) ** 2 + (y + 0.5 - half) ** 2 <= limit for c in range(3)]


def flicker(frames, indices):
    """Mean absolute change from each frame to the next."""
    total = sum(abs(a[i] - b[i]) for a, b in zip(frames, frames[1:]) for i in indices)
    return total / (len(indices) * (len(frames) - 1))


def detail(frames, size, indices):
    """Mean absolute difference from the 3 x 3 mean, over all frames."""
    around = [4 * (dy * size + dx) for dy in (-1, 0, 1) for dx in (-1, 0, 1)]
    total = sum(abs(9 * f[i] - sum(f[i + o] for o in around)) for f in frames for i in indices)
    return total / (9 * len(indices) * len(frames))
