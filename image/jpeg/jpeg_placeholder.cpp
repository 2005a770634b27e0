// Replaced by the decoder stages.
