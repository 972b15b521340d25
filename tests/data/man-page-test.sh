#!/usr/bin/env bash
# The manual page renders without a warning from groff or man, and documents every option that
# `corvane --help` names.
set -euo pipefail
page=$1
program=$2

warnings=$({ groff -man -ww -z "$page"; MANWIDTH=80 man --warnings -l "$page" >/dev/null; } 2>&1)
if [ -n "$warnings" ]; then
    echo "$page: $warnings" >&2
    exit 1
fi

rendered=$(MANWIDTH=200 man -l "$page" 2>/dev/null | col -b)
missing=0
for option in $("$program" --help | grep -oE -- '--[a-z][a-z-]*' | sort -u); do
    if ! grep -qE -- "(^|[^a-z-])$option([^a-z-]|$)" <<<"$rendered"; then
        echo "$page: $option is not documented" >&2
        missing=1
    fi
done
exit $missing
