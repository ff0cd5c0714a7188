#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need; installs nothing when all are present.
set -euo pipefail

packages=(
  build-essential cmake ninja-build clang libclang-rt-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools libqt6gui6 qt6-charts-dev libqt6opengl6-dev qt6-svg-dev
  xvfb xauth imagemagick xdotool x11-utils
  fonts-liberation2 fonts-dejavu-core fonts-noto-mono fonts-hack
  wamerican wamerican-insane hunspell-ru hunspell-tools
  desktop-file-utils appstream lintian man-db groff-base dpkg-dev file fakeroot shared-mime-info
  ocrad netpbm
  libpng-dev tesseract-ocr tesseract-ocr-rus xterm xclip
  ccache libjpeg62-turbo-dev libwebp-dev libfreetype-dev libfontconfig-dev libharfbuzz-dev
  rxvt-unicode stterm xfce4-terminal chromium tmux dbus-x11 python3-gi gir1.2-gtk-3.0 htop mc vim
  dialog optipng x11-utils x11-xserver-utils git less
  fonts-firacode fonts-jetbrains-mono fonts-inconsolata fonts-croscore fonts-go fonts-mononoki
  fonts-anonymous-pro fonts-noto-core fonts-open-sans fonts-cantarell fonts-freefont-ttf
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

if [[ $(id -u) -ne 0 ]]; then
  echo "install-deps: missing packages: ${missing[*]}" >&2
  echo "install-deps: run as root, or install them with: sudo apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update
apt-get install -y --no-install-recommends "${missing[@]}"
