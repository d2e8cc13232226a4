"""Several threads reading at once get what one thread gets, and a read leaves the
interpreter to other threads while it runs."""

import concurrent.futures
import datetime
import sys
import threading
import time

import pytest
import tessaport

from conftest import DEMO, assert_rows_equal, omegadb


def test_four_threads_read_as_one(demo_db):
    db = tessaport.Database(demo_db)
    start = threading.Barrier(4)

    def work(worker):
        start.wait()
        symbols = [DEMO[(worker * 2 + turn) % len(DEMO)] for turn in range(5)]
        return [(symbol, db.read(symbol, keep_invalid=True)) for symbol in symbols]

    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        results = [result for results in pool.map(work, range(4)) for result in results]
    assert len(results) == 20
    for symbol, rows in results:
        assert_rows_equal(rows, db.read(symbol, keep_invalid=True))


@pytest.fixture(scope="module")
def long_db(tmp_path_factory):
    """Six securities of 250,000 days each: checking them all takes a good part of a second."""
    directory = str(tmp_path_factory.mktemp("long") / "db")
    omegadb("create", directory)
    first = datetime.date(1700, 1, 1)
    rows = "".join(f"{first + datetime.timedelta(days=i)},10,11,9,10.5,{i}\n" for i in range(250000))
    for n in range(6):
        omegadb("add", directory, f"L{n}", "-", stdin=("Date,Open,High,Low,Close,Volume\n" + rows).encode())
    return directory


def test_other_threads_run_during_a_read(long_db):
    """check() reads the whole database in one call while another thread runs Python steps;
    with a switch interval longer than the test, a step falls in the middle third of the
    call only if the module gives the interpreter lock up there."""
    db = tessaport.Database(long_db)
    steps = []
    done = threading.Event()

    def ticker():
        while not done.is_set():
            sum(range(100))  # a step of pure Python
            steps.append(time.perf_counter())
            time.sleep(0)  # gives the lock up between steps, which the long interval never forces

    interval = sys.getswitchinterval()
    sys.setswitchinterval(60)
    thread = threading.Thread(target=ticker)
    try:
        thread.start()
        while not steps:
            time.sleep(0.001)
        start = time.perf_counter()
        findings = db.check()
        end = time.perf_counter()
    finally:
        done.set()
        thread.join()
        sys.setswitchinterval(interval)
    assert findings == []
    third = (end - start) / 3
    middle = [t for t in steps if start + third < t < end - third]
    within = sum(start < t < end for t in steps)
    assert middle, (f"no step of the other thread in the middle third of a read of {end - start:.3f} s "
                    f"({within} within the read, {len(steps)} in all)")
