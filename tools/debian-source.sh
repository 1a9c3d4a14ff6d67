# shellcheck shell=bash
# Fetches Debian source packages with apt-get source, for the cross builds
# that need libraries Debian ships for no other target. Source this file;
# it defines:
#
#   fetch_debian_sources DIR LOG PACKAGE...  unpack each package's source in
#                                            DIR (chatter goes to LOG)
#   debian_source_dir DIR PACKAGE            print the one directory unpacked
#                                            for PACKAGE in DIR
#
# Run as root (or with sudo available); dpkg-dev must be installed.

# apt-get source needs deb-src entries, which a stock Debian image lacks.
# They mirror the deb entries (same URIs, suites and signing key).
add_deb_src() {
    local sudo=""
    if [[ $(id -u) -ne 0 ]]; then
        sudo="sudo"
    fi
    if ! grep -qsE '^[[:space:]]*(deb-src[[:space:]]|Types:.*deb-src)' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list /etc/apt/sources.list.d/*.sources; then
        local file=/etc/apt/sources.list.d/quorl-debian-src.sources
        echo "Adding $file"
        if [[ -f /etc/apt/sources.list.d/debian.sources ]]; then
            sed -E 's/^Types:.*$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources
        else
            cat <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg

Types: deb-src
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
        fi | $sudo tee "$file" >/dev/null
    fi
    # Update only when the source indexes are not there yet.
    if ! apt-cache showsrc zlib 2>/dev/null | grep -q '^Package: zlib'; then
        $sudo apt-get -o DPkg::Lock::Timeout=600 update -qq
    fi
}

debian_source_dir() {
    # Versions start with a digit: libsdl2-2.26.5 is not libsdl2-mixer-2.6.2.
    local dirs=("$1/$2"-[0-9]*/)
    if [[ ${#dirs[@]} -ne 1 || ! -d "${dirs[0]}" ]]; then
        echo "no single source directory for $2 in $1" >&2
        return 1
    fi
    echo "${dirs[0]%/}"
}

fetch_debian_sources() {
    local dir=$1 log=$2
    shift 2
    add_deb_src
    mkdir -p "$dir"
    local opts=(-qq)
    # As root, apt drops to the _apt user to download and warns when that
    # user cannot write here; downloading as root is fine for public sources.
    if [[ $(id -u) -eq 0 ]]; then
        opts+=(-o APT::Sandbox::User=root)
    fi
    : >"$log"
    local pkg
    for pkg in "$@"; do
        echo "Fetching the source of $pkg"
        # dpkg-source chatters (and warns about unverifiable signatures
        # without debian-keyring): keep it in the log unless all fails. Some
        # mirrors carry the security suite's binaries but not its sources,
        # so fall back to the release's own version.
        if ! (cd "$dir" && { apt-get "${opts[@]}" source "$pkg" ||
            apt-get "${opts[@]}" source "$pkg/bookworm"; }) >>"$log" 2>&1; then
            cat "$log" >&2
            return 1
        fi
        debian_source_dir "$dir" "$pkg" >/dev/null
    done
}
