#!/usr/bin/env bash
# Keeps the layer rules of the README's layout true: base/ includes only itself; ts/ and
# channels/ include only base/ and themselves; nothing below ui/ and cli/ includes either.
# Prints each include that breaks a rule and fails when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."
status=0

# Folder, then the project folders its sources may include (an extended regex).
report() {
  local folder=$1 allowed=$2
  local found
  found=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[a-z_]+/' "$folder" --include='*.h' --include='*.cpp' |
    grep -vE "#[[:space:]]*include[[:space:]]*\"($allowed)/" || true)
  if [ -n "$found" ]; then
    echo "check-layers: $folder/ includes a folder it may not use:"
    echo "$found"
    status=1
  fi
}

report base 'base'
report ts 'base|ts'
report channels 'base|channels'
for folder in tuner capture provider filters graph simtuner; do
  report "$folder" 'app|base|ts|channels|tuner|capture|provider|filters|graph|simtuner'
done
exit $status
