# Sourced by scripts/test and scripts/run: installs the Debian packages the
# build, the tests and the program need. Quiet and quick when all are present.

BRINE_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-multimedia-dev libgl-dev libxkbcommon-dev fonts-dejavu-core
  libgeographiclib-dev libsqlite3-dev zlib1g-dev
  clang libclang-rt-14-dev
  python3 python3-dbfread python3-dbf libdbd-xbase-perl
  tzdata xvfb xauth xfonts-base xdotool evilwm socat poppler-utils python3-nmea2
)

brine_install_packages() {
  local missing=()
  local p
  for p in "${BRINE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

brine_jobs() {
  nproc 2>/dev/null || echo 2
}
