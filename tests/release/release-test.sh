#!/usr/bin/env bash
# tools/release as an operator runs it, with a code-signing certificate made for this test: without
# a certificate it stops and writes nothing; with one, dist/ gets both programs, each of which
# verifies, is signed by that certificate, imports only system libraries and is its unsigned build
# byte for byte apart from the fields that signing sets, the install and uninstall commands, with
# their checksums and the commit they were built from. The released programs are also what a copy of
# the checkout elsewhere builds in a folder of its own, byte for byte: a release can be checked
# against its sources.
set -euo pipefail
root=$1
source "$root/tools/lib/shipped-build.sh"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export PELLMONT_BUILD_DIR=$work/build PELLMONT_DIST_DIR=$work/dist
unset PELLMONT_SIGNING_CERTIFICATE PELLMONT_SIGNING_PASSWORD PELLMONT_SIGNING_CA PELLMONT_TIMESTAMP_URL

failures=0
check() {  # check DESCRIPTION COMMAND...
    if "${@:2}"; then
        echo "ok: $1"
    else
        echo "FAILED: $1"
        failures=$((failures + 1))
    fi
}

release_without_certificate_writes_nothing() {
    if "$root/tools/release" >"$work/no-certificate.log" 2>&1; then
        echo "released without a certificate"
        return 1
    fi
    grep -q 'no code-signing certificate: set PELLMONT_SIGNING_CERTIFICATE' "$work/no-certificate.log" ||
        { cat "$work/no-certificate.log"; return 1; }
    [ -z "$(ls -A "$work/dist" 2>/dev/null)" ] || { ls -l "$work/dist"; return 1; }
}
check "without a certificate: a clear message and nothing in dist/" release_without_certificate_writes_nothing

openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/signer.pem" -days 2 \
    -subj "/CN=Pellmont Release Test" -addext "keyUsage=critical,digitalSignature" \
    -addext "extendedKeyUsage=codeSigning" 2>/dev/null
password='a passphrase with blanks; never an argument'
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/signer.pem" -out "$work/signer.p12" \
    -passout fd:3 3< <(printf '%s' "$password")

PELLMONT_SIGNING_CERTIFICATE=$work/signer.p12 PELLMONT_SIGNING_PASSWORD=$password \
    "$root/tools/release" >"$work/release.log" 2>&1 || { cat "$work/release.log"; exit 1; }

verifies_signed_by_test_certificate() {  # verifies_signed_by_test_certificate SIGNED
    local signer_hash
    signer_hash=$(openssl x509 -in "$work/signer.pem" -outform DER | sha256sum | cut -d' ' -f1)
    osslsigncode verify -CAfile "$work/signer.pem" -require-leaf-hash "sha256:$signer_hash" -in "$1" \
        >"$work/verify.log" 2>&1 || { cat "$work/verify.log"; return 1; }
}

imports_only_system_libraries() {  # imports_only_system_libraries SIGNED
    local system=" advapi32.dll comctl32.dll gdi32.dll kernel32.dll msvcrt.dll ntdll.dll ole32.dll shell32.dll user32.dll "
    local imported library
    imported=$(i686-w64-mingw32-objdump -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z')
    [ -n "$imported" ] || { echo "no imports read"; return 1; }
    for library in $imported; do
        [[ $system == *" $library "* ]] || { echo "imports $library"; return 1; }
    done
}

# Signing sets the image checksum and the certificate table entry of the headers and appends the
# signature; every other byte of the unsigned program stays.
unsigned_content_unchanged() {  # unsigned_content_unchanged UNSIGNED SIGNED
    local unsigned=$1 signed=$2 header checksum table offset
    header=$(od -An -tu4 -j60 -N4 "$unsigned" | tr -d ' ')
    checksum=$((header + 4 + 20 + 64))
    table=$((header + 4 + 20 + 96 + 4 * 8))
    [ "$(stat -c %s "$signed")" -gt "$(stat -c %s "$unsigned")" ] || { echo "no signature appended"; return 1; }
    while read -r offset _; do
        offset=$((offset - 1))
        if ! { [ $offset -ge $checksum ] && [ $offset -lt $((checksum + 4)) ]; } &&
            ! { [ $offset -ge $table ] && [ $offset -lt $((table + 8)) ]; }; then
            echo "byte $offset differs from the unsigned program"
            return 1
        fi
    done < <(cmp -l "$unsigned" "$signed" 2>/dev/null)
}

for program in "${PELLMONT_SHIPPED_PROGRAMS[@]}"; do
    name=${program##*/}
    signed=$work/dist/$name
    unsigned=$work/build/release/$program
    check "$name: signed, and it verifies with the test certificate as its signer" \
        verifies_signed_by_test_certificate "$signed"
    check "$name: the checksum file holds the signed program's SHA-256" \
        sh -c 'cd "$1" && sha256sum --quiet -c "$2.sha256"' - "$work/dist" "$name"
    check "$name: imports only system libraries" imports_only_system_libraries "$signed"
    check "$name: apart from the fields that signing sets, the unsigned program unchanged" \
        unsigned_content_unchanged "$unsigned" "$signed"
done

for script in Install.cmd Uninstall.cmd; do
    check "$script: shipped as it is, with its checksum" \
        sh -c 'cmp "$1/deploy/$3" "$2/$3" && cd "$2" && sha256sum --quiet -c "$3.sha256"' - "$root" "$work/dist" "$script"
done

names_the_commit() {
    local commit
    commit=$(git -C "$root" rev-parse HEAD)
    grep -q "^built from commit $commit" "$work/dist/BUILT-FROM.txt" ||
        { cat "$work/dist/BUILT-FROM.txt"; return 1; }
}
check "dist/ names the commit the programs were built from" names_the_commit

# The second build, of a copy of the checkout's files, runs seconds after the release's own: a link
# timestamp would show.
copy=$work/another/checkout/of/pellmont
mkdir -p "$copy"
git -C "$root" ls-files -z --cached --others --exclude-standard |
    (cd "$root" && tar --null --ignore-failed-read -T - -cf -) | tar -C "$copy" -xf -
build_shipped_programs "$copy" "$work/second-build" >"$work/second.log" 2>&1 || { cat "$work/second.log"; exit 1; }

same_bytes() {  # same_bytes FIRST SECOND
    cmp -s "$1" "$2" && return 0
    echo "first differing bytes (offset, octal values):"
    cmp -l "$1" "$2" | head -n 20 || true
    return 1
}
for program in "${PELLMONT_SHIPPED_PROGRAMS[@]}"; do
    check "${program##*/}: a build from another checkout in another folder has the released build's bytes" \
        same_bytes "$work/build/release/$program" "$work/second-build/$program"
done

[ $failures -eq 0 ]
