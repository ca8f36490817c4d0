#!/usr/bin/env bash
# Two builds of the shipped programs from scratch, one from the checkout and one from a copy of its
# files elsewhere, each in a build folder of its own and a while apart, give the same bytes.
set -euo pipefail
root=$1
source "$root/tools/lib/shipped-build.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

copy=$work/another/checkout/of/pellmont
mkdir -p "$copy"
git -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && tar --null --ignore-failed-read -T - -cf -) | tar -C "$copy" -xf -

build_shipped_programs "$root" "$work/first" >"$work/first.log" 2>&1 || { cat "$work/first.log"; exit 1; }
# Link times then differ in the seconds, which a link timestamp would show.
sleep 1
build_shipped_programs "$copy" "$work/second-build" >"$work/second.log" 2>&1 ||
    { cat "$work/second.log"; exit 1; }

failures=0
for program in "${PELLMONT_SHIPPED_PROGRAMS[@]}"; do
    first=$work/first/$program
    second=$work/second-build/$program
    if cmp -s "$first" "$second"; then
        echo "ok: $program byte-identical, $(stat -c %s "$first") bytes, SHA-256 $(sha256sum "$first" | cut -d' ' -f1)"
    else
        echo "FAILED: the two builds of $program differ; first differing bytes (offset, octal values):"
        cmp -l "$first" "$second" | head -n 20 || true
        failures=$((failures + 1))
    fi
done
[ $failures -eq 0 ]
