#!/bin/sh
# Runs a test program with a home and settings folder of its own, removed afterwards: the
# console remembers names, the lock and its layout there, and one program's must never reach
# another's, nor the person's own.
home=$(mktemp -d "${TMPDIR:-/tmp}/lumadesk-test-home.XXXXXX") || exit 1
trap 'rm -rf "$home"' EXIT INT TERM
HOME="$home" XDG_CONFIG_HOME="$home/.config" "$@"
