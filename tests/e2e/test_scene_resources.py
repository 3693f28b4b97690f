# Scene resources on the real program: the mesh upload, the textures, and images good and bad.
import os
import random
import struct
import zlib

from harness import TEXTURE_FAILED as FAILED
from harness import SessionTestCase, write_bmp


def png(path, width, height, channels, pixel):
    """A PNG with 1 (grey), 2 (grey+alpha), 3 (RGB) or 4 (RGBA) 8-bit channels."""
    colour_type = {1: 0, 2: 4, 3: 2, 4: 6}[channels]
    raw = b"".join(b"\0" + b"".join(bytes(pixel(x, y)) for x in range(width))
                   for y in range(height))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, colour_type, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw))
                + chunk(b"IEND", b""))


def bmp32(path, width, height):
    """A 32-bit BMP (BI_BITFIELDS with an alpha mask)."""
    pixels = bytes((40, 80, 160, 255)) * (width * height)
    info = struct.pack("<IiiHHIIiiII", 108, width, height, 1, 32, 3, len(pixels), 2835, 2835, 0, 0)
    masks = struct.pack("<IIII", 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000)
    info += masks + b"sRGB" + bytes(108 - 40 - 16 - 4)
    offset = 14 + len(info)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + len(pixels), 0, 0, offset) + info + pixels)


def huge_bmp(path):
    """A valid-looking 24-bit BMP header that declares 40000 x 40000 pixels, with no pixels."""
    info = struct.pack("<IiiHHIIiiII", 40, 40000, 40000, 1, 24, 0, 0, 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", 54, 0, 0, 54) + info + bytes(64))


class SceneResourcesTest(SessionTestCase):
    def test_mesh_upload_textures_and_render_state_in_order(self):
        with self.started() as run:
            self.quit_ok(run)
            self.assertEqual(run.stdout(), "")
            startup = [c for c in run.trace().startup if not c.startswith("glX")]

        def index(prefix, after=0):
            return next(i for i in range(after, len(startup)) if startup[i].startswith(prefix))

        begin = index("glGenVertexArrays")
        upload = [
            "glGenVertexArrays(n = 1, arrays = &1)",
            "glGenBuffers(n = 1, buffers = &1)",
            "glBindVertexArray(array = 1)",
            "glBindBuffer(target = GL_ARRAY_BUFFER, buffer = 1)",
            "glBufferData(target = GL_ARRAY_BUFFER, size = 8820, data = blob(8820), "
            "usage = GL_STATIC_DRAW)",
            "glGenBuffers(n = 1, buffers = &2)",
            "glBindBuffer(target = GL_ELEMENT_ARRAY_BUFFER, buffer = 2)",
            "glBufferData(target = GL_ELEMENT_ARRAY_BUFFER, size = 9600, data = blob(9600), "
            "usage = GL_STATIC_DRAW)",
            "glVertexAttribPointer(index = 0, size = 3, type = GL_FLOAT, normalized = GL_FALSE, "
            "stride = 20, pointer = NULL)",
            "glEnableVertexAttribArray(index = 0)",
            "glVertexAttribPointer(index = 1, size = 2, type = GL_FLOAT, normalized = GL_FALSE, "
            "stride = 20, pointer = 0xc)",
            "glEnableVertexAttribArray(index = 1)",
        ]
        self.assertEqual(startup[begin:begin + len(upload)], upload)

        # Three textures, each made, bound and given its parameters before its image.
        textures = startup[begin + len(upload):index("glPointSize")]
        made = [c for c in textures if c.startswith("glGenTextures")]
        self.assertEqual(made, [f"glGenTextures(n = 1, textures = &{n})" for n in (1, 2, 3)])
        for n in (1, 2, 3):
            at = textures.index(f"glGenTextures(n = 1, textures = &{n})")
            self.assertEqual(textures[at + 1:at + 8], [
                f"glBindTexture(target = GL_TEXTURE_2D, texture = {n})",
                "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_MIN_FILTER, "
                "param = GL_LINEAR)",
                "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_MAG_FILTER, "
                "param = GL_LINEAR)",
                "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_WRAP_S, "
                "param = GL_REPEAT)",
                "glTexParameteri(target = GL_TEXTURE_2D, pname = GL_TEXTURE_WRAP_T, "
                "param = GL_REPEAT)",
                "glTexImage2D(target = GL_TEXTURE_2D, level = 0, internalformat = GL_RGB, "
                "width = 1024, height = 512, border = 0, format = GL_RGB, "
                "type = GL_UNSIGNED_BYTE, pixels = blob(1572864))",
                "glGenerateMipmap(target = GL_TEXTURE_2D)",
            ])
        self.assertIn("glPixelStorei(pname = GL_UNPACK_ALIGNMENT, param = 1)", textures)

        state = startup[index("glPointSize"):index("glPointSize") + 5]
        self.assertEqual(state, ["glPointSize(size = 15)", "glLineWidth(width = 5)",
                                 "glEnable(cap = GL_CULL_FACE)", "glCullFace(mode = GL_BACK)",
                                 "glEnable(cap = GL_DEPTH_TEST)"])
        # Nothing is unbound between the upload and the shader program.
        between = startup[begin + len(upload):index("glCreateShader")]
        self.assertFalse([c for c in between if c.startswith(("glBindVertexArray",
                                                               "glBindBuffer"))])

    def test_missing_images_each_print_one_line(self):
        cases = {"sun only": ["sun.bmp"], "all three": ["earth.bmp", "sun.bmp", "moon.bmp"]}
        for name, missing in cases.items():
            with self.subTest(name):
                def remove(d, missing=missing):
                    for file in missing:
                        os.remove(os.path.join(d, "res", file))

                with self.started(prepare=remove) as run:
                    self.quit_ok(run)
                    self.assertEqual(run.stdout(), (FAILED + "\n") * len(missing))
                    startup = run.trace().startup
                uploads = [c for c in startup if c.startswith("glTexImage2D")]
                self.assertEqual(len(uploads), 3 - len(missing))
                self.assertEqual(len([c for c in startup if c.startswith("glGenTextures")]), 3)

    def test_bad_and_odd_images(self):
        grey = lambda x, y: (x * 7 % 256,)  # noqa: E731
        cases = {
            # name: (writer of res/moon.bmp, expect a failure line)
            "empty file": (lambda p: open(p, "wb").close(), True),
            "bmp cut inside its header": (lambda p: truncate(p, 30), True),
            # A file shorter than its header declares is refused before decoding.
            "bmp cut inside its pixels": (lambda p: truncate(p, 3000), True),
            "directory": (lambda p: (os.remove(p), os.mkdir(p)), True),
            "random bytes": (lambda p: write_bytes(p, random.Random(7).randbytes(5000)), True),
            "grey png 4096": (lambda p: png(p, 4096, 4096, 1, grey), True),
            "grey+alpha png": (lambda p: png(p, 33, 17, 2, lambda x, y: (x * 5, 200)), True),
            "rgba png": (lambda p: png(p, 35, 9, 4, lambda x, y: (250, x * 3, 9, 128)), True),
            "32-bit bmp": (lambda p: bmp32(p, 30, 20), False),
            "width 1022": (lambda p: write_bmp(p, 1022, 7, lambda x, y: (x % 256, 9, 90)), False),
            "1 x 1": (lambda p: write_bmp(p, 1, 1, lambda x, y: (1, 2, 3)), False),
            "png named bmp": (lambda p: png(p, 16, 8, 3, lambda x, y: (10, 20, 30)), True),
            "declares 40000 x 40000": (huge_bmp, True),
        }
        for name, (write, fails) in cases.items():
            with self.subTest(name):
                def prepare(d, write=write):
                    write(os.path.join(d, "res", "moon.bmp"))

                with self.started(trace=False, prepare=prepare) as run:
                    self.quit_ok(run)
                    self.assertEqual(run.stdout(), FAILED + "\n" if fails else "")

    def test_top_of_the_image_is_the_north_pole(self):
        def red_over_blue(d):
            write_bmp(os.path.join(d, "res", "sun.bmp"), 64, 32,
                      lambda x, y: (255, 0, 0) if y < 16 else (0, 0, 255))

        with self.started(trace=False, prepare=red_over_blue) as run:
            pixels = run.wait_scene()
            self.quit_ok(run)
        # The Sun fills about 52 pixels around the window's centre at start; probes 25 pixels
        # above and below are far from the equator, so filtering cannot blend the halves.
        # The Sun is drawn at its texture's full colour; 30 allows for edge filtering.
        for dx in (-10, 0, 10):
            top = pixels.at(400 + dx, 300 - 25)
            bottom = pixels.at(400 + dx, 300 + 25)
            self.assertTrue(top[0] > 225 and top[1] < 30 and top[2] < 30, top)
            self.assertTrue(bottom[0] < 30 and bottom[1] < 30 and bottom[2] > 225, bottom)


def truncate(path, size):
    with open(path, "r+b") as f:
        f.truncate(size)


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    import unittest
    unittest.main()
