"""Price histories of a database, straight into numpy and pandas."""

import datetime
import os
from typing import Any, Callable, Dict, Iterable, List, Literal, NamedTuple, Optional, Tuple, Union, overload

import numpy
import pandas

__version__: str

_DateLike = Union[datetime.date, numpy.datetime64, str, None]
_Fields = Union[str, Iterable[str], None]
_Prices = Literal["float32", "float64"]
_Dates = Literal["period", "datetime", "raise"]
_Progress = Union[Callable[[int, int], Any], bool, None]

class DataWarning(UserWarning):
    """A damaged file read as far as it is whole, or a security left out of a merge."""

class Security(NamedTuple):
    """One security of a database, as Database.securities() lists it."""
    symbol: str
    description: str
    category: int
    period: int
    first_date: Optional[datetime.date]
    last_date: Optional[datetime.date]
    record_count: Optional[int]
    open_interest: bool

class Finding(NamedTuple):
    """One finding of Database.check(), as a line of `omegadb check --csv`."""
    symbol: str
    date: Optional[datetime.date]
    kind: str
    values: str
    reason: str

class Database:
    """A database: a folder holding master.omg and one data file per security."""

    def __init__(self, path: Union[str, bytes, os.PathLike]) -> None:
        """Opens the database in the folder `path`; FileNotFoundError when it holds none."""
    @property
    def path(self) -> str:
        """The folder as given."""
    def __len__(self) -> int:
        """The number of securities."""
    def __contains__(self, symbol: object) -> bool:
        """Whether a security has this symbol (ignoring the case of ASCII letters)."""
    @overload
    def securities(self, frame: Literal[False] = ...) -> List[Security]:
        """Every security, in the order of the header file."""
    @overload
    def securities(self, frame: Literal[True]) -> pandas.DataFrame:
        """Every security, in the order of the header file, as a DataFrame."""
    def __reduce__(self) -> Tuple[type, Tuple[str]]:
        """Pickles as its path; the receiving process opens the database again."""
    def read(self, symbol: str, start: _DateLike = None, end: _DateLike = None, fields: _Fields = None,
             keep_invalid: bool = False, prices: _Prices = "float32") -> numpy.ndarray:
        """The records of one security as a numpy structured array: date (datetime64[D]),
        open, high, low, close (float32 as stored, or float64 as the shortest decimals; NaN
        where missing), volume, open_interest (int64)."""
    def frame(self, symbol: str, start: _DateLike = None, end: _DateLike = None, fields: _Fields = None,
              keep_invalid: bool = False, prices: _Prices = "float32", dates: _Dates = "period") -> pandas.DataFrame:
        """The records of one security as a DataFrame indexed by date (with dates="period", a
        PeriodIndex of days when a date lies outside 1677-09-22..2262-04-11)."""
    def read_many(self, symbols: Union[str, Iterable[str], None] = None, start: _DateLike = None,
                  end: _DateLike = None, fields: _Fields = None, keep_invalid: bool = False,
                  progress: _Progress = None, prices: _Prices = "float32") -> Dict[str, numpy.ndarray]:
        """Every security (or those named) as read() gives them, by symbol."""
    def frames(self, symbols: Union[str, Iterable[str], None] = None, start: _DateLike = None,
               end: _DateLike = None, fields: _Fields = None, keep_invalid: bool = False,
               progress: _Progress = None, prices: _Prices = "float32",
               dates: _Dates = "period") -> Dict[str, pandas.DataFrame]:
        """Every security (or those named) as frame() gives them, by symbol."""
    def merge(self, symbols: Union[str, Iterable[str]], how: Literal["wide", "long"] = "wide",
              common_dates: bool = False, fields: _Fields = None, start: _DateLike = None, end: _DateLike = None,
              keep_invalid: bool = False, progress: _Progress = None, prices: _Prices = "float32",
              dates: _Dates = "period") -> pandas.DataFrame:
        """Several securities in one DataFrame, as tessaport-import --merge writes them."""
    @overload
    def check(self, symbol: Optional[str] = None, frame: Literal[False] = ...) -> List[Finding]:
        """The findings of omegadb check: of one security, or of every one (symbol=None)."""
    @overload
    def check(self, symbol: Optional[str] = None, *, frame: Literal[True]) -> pandas.DataFrame:
        """The findings of omegadb check as a DataFrame with the columns of --csv."""
