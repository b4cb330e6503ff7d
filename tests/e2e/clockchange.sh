source "$(dirname "$0")/lib.sh"; note ok
