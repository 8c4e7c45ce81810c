# Sourced by scripts/test and scripts/run: installs the Debian packages the
# build, the tests and the program need. Quiet and quick when all are present.

BRINE_PACKAGES=(
  build-essential cmake ninja-build pkg-config
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-multimedia-dev qt6-svg-dev libqt6svg6 libgl-dev libxkbcommon-dev libxcb1-dev fonts-dejavu-core
  libgeographiclib-dev libsqlite3-dev zlib1g-dev libjpeg62-turbo-dev
  clang libclang-rt-14-dev clang-format clang-tidy
  python3 python3-dbfread python3-dbf libdbd-xbase-perl
  tzdata locales xvfb xauth xfonts-base xdotool evilwm x11-xserver-utils x11-apps socat poppler-utils python3-nmea2 python3-geographiclib
  cups printer-driver-cups-pdf
  imagemagick ffmpeg qt6-image-formats-plugins gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gmt gmt-gshhg-high gmt-gshhg-full
  libgdal-dev gdal-data gdal-bin
  libtcd-dev xtide-data tcd-utils geographiclib-tools
  pulseaudio pulseaudio-utils
)

brine_install_packages() {
  local missing=()
  local p
  for p in "${BRINE_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
      missing+=("$p")
    fi
  done
  if [ ${#missing[@]} -ne 0 ]; then
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
      sudo=(sudo)
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  fi
  brine_generate_locales
}

# The comma-decimal locale the number tests run under. Generated only when
# missing, so a machine that has it is left alone.
brine_generate_locales() {
  locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$' && return 0
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
  fi
  echo "Generating the de_DE.UTF-8 locale"
  if ! grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
    echo 'de_DE.UTF-8 UTF-8' | "${sudo[@]}" tee -a /etc/locale.gen >/dev/null
  fi
  "${sudo[@]}" locale-gen >/dev/null
}

brine_jobs() {
  nproc 2>/dev/null || echo 2
}

# Configures the build folder $1 as scripts/run and scripts/test both use it.
# Line tables are all a report's stack needs; full debug info makes the build
# slower and a few GB larger.
brine_configure() {
  cmake -S . -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" \
    -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g1 -DNDEBUG" >/dev/null
}
