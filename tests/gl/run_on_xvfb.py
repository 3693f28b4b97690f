# Runs one command on a private Xvfb display and passes its exit status on.
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "tools"))
from xsession import XSession  # noqa: E402

with XSession() as session:
    status = subprocess.call(sys.argv[1:], env=session.env, timeout=600)
sys.exit(status)
