"""The simulated device's status page: its rows and their values. Part of
tools/device_simulator.py; shares nothing with the upgrade tool."""

# The rows in page order, each with the option that gives its value.
ROWS = (("Product Name", "product_name"), ("Serial Number", "serial"), ("MAC Address", "mac"),
        ("Hardware Version", "hardware_version"), ("Software Version", "software_version"))
LABELS = tuple(label for label, _ in ROWS)
SOFTWARE_VERSION = "Software Version"
PAGE_START = "<html><head><title>QEV Status</title></head><body>\n<table>\n"
PAGE_ROW = "<tr><td>%s:</td><td>%s</td></tr>\n"
PAGE_END = "</table></body></html>\n"


def page_values(args):
    """{label: value} of the options, the software version included."""
    return {label: getattr(args, option) for label, option in ROWS}


def status_page(values, version):
    """The page with version as its software version."""
    rows = "".join(PAGE_ROW % (label, version if label == SOFTWARE_VERSION else values[label]) for label in LABELS)
    return PAGE_START + rows + PAGE_END
