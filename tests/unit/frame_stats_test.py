# The benchmark's picture measures on frames whose flicker and detail follow from their pattern.
import os, sys, unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "bench"))
import frame_stats  # noqa: E402

SIZE = 16


def frame(level, alpha=255):
    """A SIZE x SIZE RGBA frame; level(x, y) is the grey of its pixel."""
    return bytes(v for y in range(SIZE) for x in range(SIZE) for v in (*[level(x, y)] * 3, alpha))


class FrameStatsTest(unittest.TestCase):
    def test_flicker_and_detail(self):
        inside = frame_stats.disc_indices(SIZE, 7.0)
        self.assertTrue(inside)
        # Alpha is not a colour: only the grey's steps of 3 and 6 count.
        steps = [frame(lambda x, y: g, alpha=a) for g, a in ((10, 0), (13, 255), (7, 9))]
        self.assertAlmostEqual(frame_stats.flicker(steps, inside), 4.5)
        self.assertEqual(frame_stats.detail(steps, SIZE, inside), 0)
        # Around a 90 of a checkerboard, five 90s of nine; around a 0, four: 40 off either way.
        # Stripes: one 90 column of three, or two: 60 off. A wrong neighbour breaks either.
        for pattern, expected in (((lambda x, y: 90 * ((x + y) % 2)), 40),
                                  ((lambda x, y: 90 * (x % 2)), 60)):
            self.assertAlmostEqual(frame_stats.detail([frame(pattern)], SIZE, inside), expected)
