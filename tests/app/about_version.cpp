// Nothing but the version resource beside it.
