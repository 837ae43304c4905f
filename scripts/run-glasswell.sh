#!/usr/bin/env bash
# Installs what is missing, builds Glasswell and starts it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DHG_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"
exe=$(find build -type f -name Glasswell -perm -u+x | head -n 1)
if [ -z "$exe" ]; then
  echo "Glasswell is not part of this build yet."
  exit 0
fi
exec "$exe" "$@"
