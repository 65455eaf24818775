#!/usr/bin/env bash
# Installs what is missing, builds every configuration and runs every test.
exec "$(dirname "$0")/scripts/test.sh" "$@"
