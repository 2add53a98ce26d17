#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Vorlane developers
# SPDX-License-Identifier: GPL-3.0-or-later
#
# The README's GNU parallel recipe and the Slurm array job's script, on a few
# pictures of a small canvas: each picture is the one that a lone render of
# it draws. Without parallel: skipped, or failed under CI.
# Usage: check_fanout.sh VORLANE-RENDER SLURM-SCRIPT WORK-DIR
set -euo pipefail
render=$1 slurm=$2 work=$3
fail() { echo "FAIL: $*" >&2; exit 1; }
if ! command -v parallel >/dev/null; then
    [ -z "${CI:-}" ] || fail "parallel is not installed (scripts/install-deps installs it)"
    echo "SKIPPED: parallel is not installed (scripts/install-deps installs it)"
    exit 77
fi
rm -rf "$work" && mkdir -p "$work/parallel" "$work/slurm" "$work/lone" && cd "$work"
pictures=(1 2 5 9)
size=(--size 120x80)

(cd parallel && parallel --will-cite "$render" "${size[@]}" --quiet --threads 1 --picture {} \
    -o picture{}.png ::: "${pictures[@]}") || fail "parallel"
for k in "${pictures[@]}"; do
    (cd slurm && SLURM_ARRAY_TASK_ID=$k VORLANE_RENDER=$render "$slurm") || fail "the Slurm task $k"
    # The script's canvas is the default one: compare it with a lone render of that size.
    "$render" --quiet --picture "$k" -o "lone/full$k.png" || fail "the lone render of $k"
    "$render" "${size[@]}" --quiet --picture "$k" -o "lone/picture$k.png" ||
        fail "the lone render of $k"
    cmp "parallel/picture$k.png" "lone/picture$k.png" || fail "parallel's picture $k differs"
    cmp "slurm/picture$k.png" "lone/full$k.png" || fail "the Slurm task's picture $k differs"
done
# Different pictures, not one picture many times.
[ "$(sha256sum lone/picture*.png | cut -d' ' -f1 | sort -u | wc -l)" -eq ${#pictures[@]} ] ||
    fail "some pictures are the same"
echo "PASS: pictures ${pictures[*]}"
