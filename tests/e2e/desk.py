"""Drives Pixovia the way assistive technology does: through the AT-SPI accessibility tree.

A road is a list of named steps. Every wait has a timeout; when a step fails, the road stops, a
screenshot of the virtual screen and a dump of the accessibility tree are written into the
road's work folder and their paths are printed beside the failed step.

run.sh sets the environment: PIXOVIA (the program), E2E_WORK (the road's work folder), a
sandbox HOME, the virtual display and a private D-Bus session with the accessibility bus.
This module gathers the three parts under one name for the roads.
"""

from tree import *  # noqa: F401,F403  (first: it chooses the Atspi version)
from moves import *  # noqa: F401,F403
from program import *  # noqa: F401,F403
