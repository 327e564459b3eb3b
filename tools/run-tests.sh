#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test suite (unit, gui and
# e2e). The gui and e2e tests run on the X server of a CTest fixture, an Xvfb
# of their own when no display is set.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

pcvr_install_packages
pcvr_build
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
cd "$PCVR_BUILD"
ctest --output-on-failure -j2 "$@"
