// Placeholder translation unit so the image library exists before its first module.
