export {QuillboxShell};
