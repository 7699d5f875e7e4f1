"""What the send benchmarks share: the build, the test bed they run on, the
test files, and the figures.

The bed is the build's own (BUILD/testbed) when it is up, else one of the
benchmark's own that is taken down again at exit. BUILD defaults to build/
(configured by testbed/configure). Wine is the bed's loader, VANTREL_WINE."""
import atexit
import os
import shutil
import statistics
import subprocess
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.environ.get("BUILD", os.path.join(ROOT, "build"))
MIB = 1048576


def build(*targets):
    subprocess.run(["cmake", "--build", BUILD, "-j2", "--target", *targets],
                   check=True, stdout=subprocess.DEVNULL)
    return [os.path.join(BUILD, "bench", t + ".exe") for t in targets]


def read_env(path):
    env = {}
    with open(path) as f:
        for line in f:
            if line.startswith("export "):
                name, _, value = line[len("export "):].strip().partition("=")
                env[name] = value.strip("'")
            elif line.startswith("unset "):
                env[line.split()[1]] = None
    return env


def bed():
    """The bed's environment, merged into os.environ."""
    env_file = os.path.join(BUILD, "testbed", "env.sh")
    if not os.path.exists(env_file):
        folder = tempfile.mkdtemp(prefix="bench-bed.", dir=BUILD)
        atexit.register(lambda: (subprocess.run([os.path.join(ROOT, "testbed", "down"), folder],
                                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL),
                                 shutil.rmtree(folder, ignore_errors=True)))
        subprocess.run([os.path.join(ROOT, "testbed", "up"), folder], check=True, stdout=subprocess.DEVNULL)
        env_file = os.path.join(folder, "env.sh")
    for name, value in read_env(env_file).items():
        if value is None:
            os.environ.pop(name, None)
        else:
            os.environ[name] = value
    return os.environ["VANTREL_BED"]


def profile(name):
    subprocess.run([os.path.join(ROOT, "testbed", "profile"), os.environ["VANTREL_BED"], name],
                   check=True, stdout=subprocess.DEVNULL)


def windows_path(unix_path):
    return "Z:" + unix_path.replace("/", "\\")


def test_file(folder, size):
    """A file of random bytes, in the page cache before anything reads it."""
    path = os.path.join(folder, "bench-%d.bin" % size)
    if not os.path.exists(path) or os.path.getsize(path) != size:
        with open(path, "wb") as f:
            left = size
            while left:
                block = os.urandom(min(left, 4 * MIB))
                f.write(block)
                left -= len(block)
    with open(path, "rb") as f:
        while f.read(16 * MIB):
            pass
    return path


def wine(*args, **kwargs):
    return subprocess.run([os.environ["VANTREL_WINE"], *args], stdin=subprocess.DEVNULL, capture_output=True, text=True, **kwargs)


def figures(output):
    """The "name value" lines a benchmark program prints."""
    values = {}
    for line in output.splitlines():
        name, _, value = line.partition(" ")
        values[name] = value
    return values


def median(values):
    return statistics.median(values)
