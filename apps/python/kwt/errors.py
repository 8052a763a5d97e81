"""The exception of the kwt package."""


class Error(Exception):
    """A failure with the module's result code and its text.

    code: the result code of the failed command line (0 when the line
    returned 0 but kwt counts it as failed: an alert, nothing loaded,
    missing samples or damaged items); None where there is no code (a
    recording that kwt.info cannot describe, a calculator's refusal).
    problems: what the line reported beyond its code, as dicts with
    kind, text, missing and points; alerts: (title, text) pairs.
    """

    def __init__(self, code, text, problems=(), alerts=()):
        super().__init__(code, text)
        self.code = code
        self.text = text
        self.problems = list(problems)
        self.alerts = list(alerts)

    def __str__(self):
        return self.text if self.code is None else "error %d: %s" % (self.code, self.text)

    def __reduce__(self):
        # So that an Error crosses process boundaries (Dask workers) whole.
        return (type(self), (self.code, self.text, self.problems, self.alerts))
