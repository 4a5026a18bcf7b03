#!/usr/bin/env bash
# Runs a test on a private D-Bus session bus.
set -euo pipefail
if ! command -v dbus-run-session >/dev/null; then
  echo "dbus-run-session is missing: run scripts/install-deps.sh" >&2
  exit 1
fi
exec dbus-run-session -- "$@"
