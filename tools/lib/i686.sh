# How 32-bit Windows programs run on this machine: the 32-bit Wine loader runs natively where the
# kernel runs i386 programs, and under qemu user-mode emulation where it does not. Installs what that
# takes through packages.sh.
# prepare_i686 sets PELLMONT_I686_WAY (native, emulated or none) and, for none, PELLMONT_I686_WHY.
# PELLMONT_I686_WAY=emulated set beforehand takes the emulated way on any machine (binfmt_misc is asked
# before the kernel's own loader), to check that way where both would work. The emulation is
# registered machine-wide: register_i386_emulation sets PELLMONT_BINFMT_REGISTERED, and
# remove_i386_emulation, which every caller of prepare_i686 runs at its end, reads it.

source "$PELLMONT_ROOT/tools/lib/packages.sh"

PELLMONT_BINFMT_NAME=pellmont-i386
PELLMONT_BINFMT_REGISTERED=

# An i386 Linux program of 93 bytes that exits with 42: exit(42) through int 0x80.
write_i386_probe() {
    printf '\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00\x01\x00\x00\x00'
    printf '\x54\x80\x04\x08\x34\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00'
    printf '\x00\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08\x5d\x00\x00\x00'
    printf '\x5d\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00\x31\xdb\xb3\x2a\x31\xc0\x40\xcd\x80'
}

i386_programs_run() {
    local probe status=0
    probe=$(mktemp)
    write_i386_probe >"$probe"
    chmod +x "$probe"
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    [ "$status" -eq 42 ]
}

ensure_wine32() {
    if dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q '^install ok installed$'; then
        return 0
    fi
    echo "Installing wine32:i386"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386 || return 1
    fi
    install_debian_packages wine32:i386
}

# The URI and keyring of the machine's own Debian archive, read from its apt sources (deb822 or
# one-line form), as "URI KEYRING" (KEYRING may be empty).
debian_archive_source() {
    local codename=$1 file
    for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] || continue
        awk -v codename="$codename" '
            function flush() {
                if (uri != "" && suites ~ ("(^| )" codename "( |$)")) { print uri, keyring; found = 1; exit }
                uri = ""; suites = ""; keyring = ""
            }
            /^[ \t]*$/ { flush(); next }
            /^URIs:/ { uri = $2 }
            /^Suites:/ { $1 = ""; suites = $0; sub(/^ /, "", suites) }
            /^Signed-By:/ { keyring = $2 }
            END { if (!found) flush() }' "$file" | head -n 1 | grep . && return 0
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        awk -v codename="$codename" '
            $1 == "deb" {
                field = 2
                if ($2 ~ /^\[/) { while ($field !~ /\]$/) field++; field++ }
                if ($(field + 1) == codename) { print $field; exit }
            }' "$file" | head -n 1 | grep . && return 0
    done
    return 1
}

# qemu-user 8 or later from the backports suite: Debian 12's own 7.2 fails in Wine's start-up.
ensure_qemu_user() {
    local interpreter=/usr/libexec/qemu-binfmt/i386-binfmt-P
    if [ -x "$interpreter" ] && qemu_major_version_at_least 8; then
        return 0
    fi
    local codename source uri keyring list=/etc/apt/sources.list.d/pellmont-backports.list
    codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
    [ -n "$codename" ] || { PELLMONT_I686_WHY="the Debian release has no code name"; return 1; }
    source=$(debian_archive_source "$codename") ||
        { PELLMONT_I686_WHY="no Debian archive for $codename in the apt sources"; return 1; }
    read -r uri keyring <<<"$source"
    if [ ! -f "$list" ]; then
        echo "Adding $codename-backports from $uri to apt"
        if [ -n "$keyring" ]; then
            echo "deb [signed-by=$keyring] $uri $codename-backports main" >"$list"
        else
            echo "deb $uri $codename-backports main" >"$list"
        fi
    fi
    echo "Installing qemu-user from $codename-backports"
    install_debian_packages -t "$codename-backports" qemu-user ||
        { PELLMONT_I686_WHY="qemu-user could not be installed from $codename-backports"; return 1; }
    [ -x "$interpreter" ] && qemu_major_version_at_least 8 ||
        { PELLMONT_I686_WHY="qemu-user 8 or later did not come with $codename-backports"; return 1; }
}

qemu_major_version_at_least() {
    local version
    version=$(qemu-i386 --version 2>/dev/null | sed -n 's/^qemu-i386 version \([0-9]*\).*/\1/p')
    [ -n "$version" ] && [ "$version" -ge "$1" ]
}

# Registers qemu for i386 programs, machine-wide until remove_i386_emulation; Wine re-executes
# itself, so running the loader through qemu by hand is not enough.
register_i386_emulation() {
    local binfmt=/proc/sys/fs/binfmt_misc
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
            { PELLMONT_I686_WHY="binfmt_misc cannot be mounted"; return 1; }
    fi
    [ ! -e "$binfmt/$PELLMONT_BINFMT_NAME" ] || echo -1 >"$binfmt/$PELLMONT_BINFMT_NAME"
    local magic='\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\xfc\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$PELLMONT_BINFMT_NAME:M::$magic:$mask:/usr/libexec/qemu-binfmt/i386-binfmt-P:OPF" \
        >"$binfmt/register" 2>/dev/null ||
        { PELLMONT_I686_WHY="qemu could not be registered for i386 programs in binfmt_misc"; return 1; }
    PELLMONT_BINFMT_REGISTERED=1
}

remove_i386_emulation() {
    if [ -n "$PELLMONT_BINFMT_REGISTERED" ]; then
        echo -1 >"/proc/sys/fs/binfmt_misc/$PELLMONT_BINFMT_NAME" 2>/dev/null || true
        PELLMONT_BINFMT_REGISTERED=
    fi
}

prepare_i686() {
    PELLMONT_I686_WHY=
    if [ "${PELLMONT_I686_WAY:-}" != emulated ] && i386_programs_run; then
        PELLMONT_I686_WAY=native
        ensure_wine32 || { PELLMONT_I686_WAY=none; PELLMONT_I686_WHY="wine32:i386 could not be installed"; }
        return 0
    fi
    PELLMONT_I686_WAY=none
    ensure_qemu_user || return 0
    ensure_wine32 || { PELLMONT_I686_WHY="wine32:i386 could not be installed"; return 0; }
    register_i386_emulation || return 0
    if ! i386_programs_run; then
        remove_i386_emulation
        PELLMONT_I686_WHY="i386 programs do not run even under qemu"
        return 0
    fi
    PELLMONT_I686_WAY=emulated
}
