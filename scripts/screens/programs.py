"""Real programs for the coloured terminal screens, on fixed files: each scene makes its files
under the demo folder (fixed names, contents and dates), starts in a tmux session and is
driven by keys until its screen settles."""
import os
import shlex
import shutil
import signal
import subprocess
import time

from common import DEMO, run, wait_for
from texts import Rng, file_name, read_text

# Fixed time of every demo file and commit: 4 March 2021, 10:00 UTC.
FIXED_TIME = "2021-03-04 10:00:00"
PROMPT = "ana@desk:~/{}$ "
INNER_TMUX_CONF = """set -g default-terminal tmux-256color
set -g escape-time 0
set -g status on
set -g status-left '[{session}] '
set -g status-right '12:34 04-Mar-21'
set -g status-interval 0
set -g automatic-rename off
set -g allow-rename off
set -g bell-action none
set -g mouse off
"""


def touch(path, when=FIXED_TIME):
    run(["touch", "-h", "-d", when, path])


def make_folder(folder, seed, count):
    """A folder of count files of every colour ls gives: folders, programs, links, a broken
    link, archives and pictures, with sizes and dates from seed."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    rng = Rng(seed)
    names = set()
    while len(names) < count:
        names.add(file_name(rng))
    for i, name in enumerate(sorted(names)):
        path = os.path.join(folder, name)
        if i % 7 == 3:
            os.makedirs(os.path.splitext(path)[0], exist_ok=True)
            path = os.path.splitext(path)[0]
        elif i % 7 == 5:
            with open(path + ".sh", "w") as f:
                f.write("#!/bin/sh\necho hello\n")
            os.chmod(path + ".sh", 0o755)
            path += ".sh"
        else:
            with open(path, "wb") as f:
                f.write(rng.bytes(rng.below(20000)))
        touch(path, f"2021-{1 + rng.below(12):02d}-{1 + rng.below(28):02d} {rng.below(24):02d}:{rng.below(60):02d}")
    os.symlink("/usr/share/doc", os.path.join(folder, "docs"))
    os.symlink("missing-target.txt", os.path.join(folder, "old-link"))
    for name in ("docs", "old-link"):
        touch(os.path.join(folder, name))
    for name in ("backup.tar.gz", "photo.png"):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(rng.bytes(3000))
        touch(os.path.join(folder, name))
    touch(folder)


def git_env(env):
    return dict(env, GIT_AUTHOR_NAME="Ana Lima", GIT_AUTHOR_EMAIL="ana@example.org",
                GIT_COMMITTER_NAME="Ana Lima", GIT_COMMITTER_EMAIL="ana@example.org")


def make_repository(folder, env, seed, commits):
    """A git repository of commits on main, a feature branch merged back and a tag, dates an
    hour apart from the fixed time; authors alternate."""
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    rng = Rng(seed)
    genv = git_env(env)

    def git(*args, when=None, author=None):
        e = dict(genv)
        if when:
            e["GIT_AUTHOR_DATE"] = e["GIT_COMMITTER_DATE"] = when
        if author:
            e["GIT_AUTHOR_NAME"], e["GIT_AUTHOR_EMAIL"] = author
        return run(["git", "-C", folder] + list(args), env=e)

    git("init", "-q", "-b", "main")
    subjects = ["Add the parser for config files", "Fix off-by-one in ring_put", "Document the --verbose option",
                "Rename Il1 to index_list", "Speed up the checksum loop", "Handle empty input files",
                "Update copyright years", "Add tests for the 0O edge case", "Remove the unused logger",
                "Merge reader and writer buffers", "Make the cache size configurable", "Report errors on stderr"]
    authors = [("Ana Lima", "ana@example.org"), ("Boris Orlov", "boris@example.org"),
               ("Chen Wei", "chen@example.org")]
    for i in range(commits):
        when = f"2021-03-{1 + i // 8:02d}T{9 + i % 8:02d}:{rng.below(60):02d}:00+00:00"
        if i == commits // 3:
            git("checkout", "-q", "-b", "feature/cache")
        if i == 2 * commits // 3:
            git("checkout", "-q", "main")
            with open(os.path.join(folder, "main.txt"), "a") as f:
                f.write(f"line {i}\n")
            git("add", ".")
            git("commit", "-q", "-m", "Prepare the release notes", when=when, author=authors[0])
            git("merge", "-q", "--no-ff", "-m", "Merge branch 'feature/cache'", "feature/cache", when=when)
            continue
        with open(os.path.join(folder, f"file{i % 4}.txt"), "a") as f:
            f.write(f"change {i} {rng.bytes(4).hex()}\n")
        git("add", ".")
        git("commit", "-q", "-m", rng.pick(subjects) if i else "Initial commit", when=when,
            author=authors[rng.below(len(authors))])
        if i == 2:
            git("tag", "v0.1")
    git("tag", "v0.2")


class Scene:
    """A program on screen: prepare() makes its files; command() is the pane's command;
    drive(term) types what a user would; freeze() and thaw() hold a changing program still."""
    program = ""
    cwd = DEMO
    frozen_pid = None

    def prepare(self, env):
        pass

    def command(self, env):
        return shell_command(self.cwd)

    def drive(self, term):
        pass

    def freeze(self, term):
        pass

    def thaw(self, term):
        if self.frozen_pid:
            try:
                os.kill(self.frozen_pid, signal.SIGCONT)
            except ProcessLookupError:
                pass
            self.frozen_pid = None

    def close(self, env):
        pass

    def versions(self):
        return {}


def shell_command(cwd, prompt_dir="project"):
    """An interactive bash without start files, with a fixed prompt."""
    return (f"cd {shlex.quote(cwd)} && env PS1={shlex.quote(PROMPT.format(prompt_dir))} HISTFILE=/dev/null "
            f"bash --norc --noprofile -i")


def type_line(term, line):
    term.tmux(["send-keys", "-t", "s", "-l", line])
    term.tmux(["send-keys", "-t", "s", "Enter"])


def wait_prompt(term, count):
    """Waits until the pane shows the prompt count times."""
    def shown():
        text = term.tmux(["capture-pane", "-p", "-S", "-", "-t", "s"])
        return text.count("ana@desk:") >= count
    wait_for(shown, f"{count} prompts")


class LsScene(Scene):
    program = "ls --color"

    def __init__(self, seed, count, folder):
        self.seed, self.count, self.folder = seed, count, folder

    def prepare(self, env):
        self.cwd = os.path.join(DEMO, self.folder)
        make_folder(self.cwd, self.seed, self.count)
        env["LS_COLORS"] = run(["dircolors", "-b"], env=env).split("'")[1]

    def command(self, env):
        return shell_command(self.cwd)

    def drive(self, term):
        wait_prompt(term, 1)
        type_line(term, "ls -l --color=auto")
        wait_prompt(term, 2)
        type_line(term, "ls -F --color=auto")
        wait_prompt(term, 3)

    def versions(self):
        return {"coreutils": run(["dpkg-query", "-W", "-f=${Version}", "coreutils"])}


# A user's log alias: the graph with short hashes, dates, subjects, authors and decorations.
GITCONFIG = """[alias]
\tlg = log --graph --color --date=short --format='%C(yellow)%h%C(reset) %C(green)%ad%C(reset) %s %C(blue)<%an>%C(reset)%C(auto)%d'
[pager]
\tlg = false
[color]
\tui = auto
"""


class GitScene(Scene):
    program = "git log --graph"

    def __init__(self, seed, commits, folder):
        self.seed, self.commits, self.folder = seed, commits, folder

    def prepare(self, env):
        self.cwd = os.path.join(DEMO, self.folder)
        make_repository(self.cwd, env, self.seed, self.commits)

        with open(os.path.join(env["HOME"], ".gitconfig"), "w") as f:
            f.write(GITCONFIG)

    def drive(self, term):
        wait_prompt(term, 1)
        type_line(term, "git lg --all")
        wait_prompt(term, 2)

    def versions(self):
        return {"git": run(["dpkg-query", "-W", "-f=${Version}", "git"])}


VIMRC = """set nocompatible
syntax on
set number
set laststatus=2
set ruler
set background={background}
set nowrap
set shortmess+=I
set noswapfile
set belloff=all
"""


class VimScene(Scene):
    program = "vim"

    def __init__(self, files, split, background, folder):
        self.files, self.split, self.background, self.folder = files, split, background, folder

    def prepare(self, env):
        self.cwd = os.path.join(DEMO, self.folder)
        shutil.rmtree(self.cwd, ignore_errors=True)
        os.makedirs(self.cwd)
        for name, source in self.files:
            with open(os.path.join(self.cwd, name), "w", encoding="utf-8") as f:
                f.write("\n".join(read_text(source)).rstrip() + "\n")
            touch(os.path.join(self.cwd, name))
        with open(os.path.join(self.cwd, ".vimrc"), "w") as f:
            f.write(VIMRC.format(background=self.background))

    def command(self, env):
        names = " ".join(shlex.quote(name) for name, _ in self.files)
        return f"cd {shlex.quote(self.cwd)} && exec vim -u .vimrc -i NONE -n {self.split} {names}"

    def drive(self, term):
        time.sleep(1.0)
        # Down a few lines in the first window and to the second, so that both show a cursor line.
        term.tmux(["send-keys", "-t", "s", "6", "j", "C-w", "w", "3", "j"])

    def versions(self):
        return {"vim": run(["dpkg-query", "-W", "-f=${Version}", "vim"])}


MC_INI = """[Midnight-Commander]
use_internal_view=true
use_internal_edit=true
confirm_exit=false
auto_save_setup=false
safe_delete=false
[Layout]
message_visible=false
keybar_visible=true
xterm_title=false
command_prompt=true
menubar_visible=true
free_space=false
[Panels]
show_mini_info=true
"""


class McScene(Scene):
    program = "mc"

    def __init__(self, seeds, folder):
        self.seeds, self.folder = seeds, folder

    def prepare(self, env):
        self.cwd = os.path.join(DEMO, self.folder)
        shutil.rmtree(self.cwd, ignore_errors=True)
        for side, seed in zip(("left", "right"), self.seeds):
            make_folder(os.path.join(self.cwd, side), seed, 14)
        touch(self.cwd)
        folder = os.path.join(env["XDG_CONFIG_HOME"], "mc")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, "ini"), "w") as f:
            f.write(MC_INI)

    def command(self, env):
        return (f"cd {shlex.quote(self.cwd)} && exec mc -u "
                f"{shlex.quote(os.path.join(self.cwd, 'left'))} {shlex.quote(os.path.join(self.cwd, 'right'))}")

    def drive(self, term):
        time.sleep(1.5)
        term.tmux(["send-keys", "-t", "s", "Down", "Down", "Down"])

    def versions(self):
        return {"mc": run(["dpkg-query", "-W", "-f=${Version}", "mc"])}


class ManScene(Scene):
    program = "man in less"

    def __init__(self, page, down):
        self.page, self.down = page, down

    def prepare(self, env):
        env.update(MANPAGER="less", PAGER="less", LESS="", MANROFFOPT="", GROFF_NO_SGR="")
        env.pop("MANWIDTH", None)

    def drive(self, term):
        wait_prompt(term, 1)
        type_line(term, f"man {self.page}")
        time.sleep(2.0)
        for _ in range(self.down):
            term.tmux(["send-keys", "-t", "s", "Space"])
            time.sleep(0.3)

    def versions(self):
        return {"man-db": run(["dpkg-query", "-W", "-f=${Version}", "man-db"]),
                "less": run(["dpkg-query", "-W", "-f=${Version}", "less"])}


class TmuxScene(Scene):
    """tmux itself: two panes side by side and its status line with a fixed clock."""
    program = "tmux (two panes)"

    def __init__(self, seed, folder):
        self.seed, self.folder = seed, folder
        self.socket = f"screens-inner-{os.getpid()}"

    def prepare(self, env):
        self.cwd = os.path.join(DEMO, self.folder)
        make_folder(self.cwd, self.seed, 10)
        with open(os.path.join(self.cwd, "notes.txt"), "w", encoding="utf-8") as f:
            f.write("\n".join(read_text("ui-dev.txt")) + "\n")
        touch(os.path.join(self.cwd, "notes.txt"))
        env["LS_COLORS"] = run(["dircolors", "-b"], env=env).split("'")[1]
        self.conf = os.path.join(env["HOME"], "inner-tmux.conf")
        with open(self.conf, "w") as f:
            f.write(INNER_TMUX_CONF.replace("{session}", "work"))
        self.env = env

    def inner(self, *args):
        return run(["tmux", "-L", self.socket, "-f", self.conf] + list(args), env=self.env)

    def command(self, env):
        shell = shell_command(self.cwd)
        self.inner("new-session", "-d", "-s", "work", "-n", "files", "-x", "80", "-y", "23", shell)
        self.inner("split-window", "-h", "-t", "work", shell)
        self.inner("new-window", "-d", "-t", "work", "-n", "logs", shell)
        return f"exec tmux -L {self.socket} -f {shlex.quote(self.conf)} attach -t work"

    def drive(self, term):
        time.sleep(1.0)
        for pane, line in (("work:0.0", "ls -F --color=auto"),
                           ("work:0.1", "grep --color=always -n -i -E 'files?|tab' notes.txt")):
            self.inner("send-keys", "-t", pane, "-l", line)
            self.inner("send-keys", "-t", pane, "Enter")
        time.sleep(1.5)

    def close(self, env):
        run(["tmux", "-L", self.socket, "kill-server"], env=env, check=False)

    def versions(self):
        return {"inner tmux": run(["tmux", "-V"]).strip()}


class HtopScene(Scene):
    """htop on a few sleeping processes of ours; it keeps changing (uptime, load), so it is
    stopped (SIGSTOP) while the screen is captured."""
    program = "htop"

    def __init__(self, names):
        self.names = names
        self.processes = []

    def prepare(self, env):
        self.processes = [subprocess.Popen(["bash", "-c", f"exec -a {shlex.quote(name)} sleep 100000"], env=env)
                          for name in self.names]

    def command(self, env):
        pids = ",".join(str(p.pid) for p in self.processes)
        return f"exec htop -d 600 -p {pids}"

    def drive(self, term):
        time.sleep(2.0)

    def freeze(self, term):
        self.frozen_pid = term.pane_pid()
        os.kill(self.frozen_pid, signal.SIGSTOP)
        time.sleep(0.5)

    def close(self, env):
        for p in self.processes:
            p.kill()
            p.wait()

    def versions(self):
        return {"htop": run(["dpkg-query", "-W", "-f=${Version}", "htop"])}


class DialogScene(Scene):
    program = "dialog"

    def __init__(self, title, items):
        self.title, self.items = title, items

    def command(self, env):
        args = ["dialog", "--backtitle", "Package setup", "--title", self.title, "--checklist",
                "Choose the packages to install (Space selects):", "16", "58", "7"]
        for tag, text, on in self.items:
            args += [tag, text, "on" if on else "off"]
        return "exec " + " ".join(shlex.quote(a) for a in args)

    def drive(self, term):
        time.sleep(1.0)
        term.tmux(["send-keys", "-t", "s", "Down", "Down"])

    def versions(self):
        return {"dialog": run(["dpkg-query", "-W", "-f=${Version}", "dialog"])}
