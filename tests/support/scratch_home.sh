# Sourced by the end-to-end scripts with a name: makes $work, a scratch
# directory with its own HOME, config and runtime folders, so that a run
# never reads or writes the user's settings. The caller removes $work.
work=$(mktemp -d "/tmp/quorl-$1-XXXXXX")
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/config"
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"
