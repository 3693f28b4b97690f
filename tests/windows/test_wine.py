# The Windows build under Wine on a private Xvfb (make test-windows, with the broken run
# directories of the Linux suite): the picture, W and the mouse, a quiet Escape.
from harness import E2ETest, Run, wait_until
import test_viewer


class WineTest(E2ETest):
    check_picture = test_viewer.ViewerTest.check_picture

    def test_scene_view_keys_and_escape(self):
        with Run(self.session, prepare=test_viewer.solid_maps) as run:
            viewer, seen = run.viewer, {(0, "sun"): False, (0, "beside"): False}
            red = lambda *xys: [p == (255, 0, 0)  # the Sun's red, all points from one screenshot
                                for p in map(run.pixels(viewer.window).getpixel, xys)]
            wait_until(lambda: self.check_picture(run.pixels(viewer.window), seen)
                       or all(seen.values()), 30, what="the Sun and the Earth's day side")
            # The pointer's first place is only recorded. Held W brings the Sun nearer: 60 pixels
            # above its centre is red. 100 pixels right turn the view 10 degrees right, and the
            # Sun's centre 92 pixels left.
            viewer.xdotool("mousemove", "--window", viewer.window, "100", "100", "keydown", "w")
            wait_until(lambda: red((400, 240)) == [True], 20, what="the Sun nearer")
            viewer.xdotool("keyup", "w", "mousemove", "--window", viewer.window, "200", "100")
            wait_until(lambda: red((308, 285), (420, 285)) == [True, False], 20, what="the turn")
            self.quit_ok(run)
