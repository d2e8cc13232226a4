"""Several threads reading at once get what one thread gets."""

import threading

import pytest
import tessaport

from conftest import DEMO, assert_rows_equal


def test_four_threads_read_as_one(demo_db):
    db = tessaport.Database(demo_db)
    expected = {symbol: db.read(symbol, keep_invalid=True) for symbol in DEMO}
    results = {}
    errors = []
    start = threading.Barrier(4)

    def work(worker):
        try:
            start.wait()
            for turn in range(5):
                symbol = DEMO[(worker * 2 + turn) % len(DEMO)]
                results[(worker, turn)] = (symbol, db.read(symbol, keep_invalid=True))
        except Exception as error:  # reported below, where pytest sees it
            errors.append(error)

    threads = [threading.Thread(target=work, args=(worker,)) for worker in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == []
    assert len(results) == 20
    for symbol, rows in results.values():
        assert_rows_equal(rows, expected[symbol])
