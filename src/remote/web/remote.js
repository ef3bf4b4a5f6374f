"use strict";
let socket;
let nextId = 1;

function send(request) {
  request.id = nextId++;
  socket.send(JSON.stringify(request));
}

function button(text, request) {
  const b = document.createElement("button");
  b.textContent = text;
  b.addEventListener("click", () => send(request));
  return b;
}

function show(state) {
  document.getElementById("link").textContent = state.link.text;
  document.getElementById("studio").textContent =
    state.studio ? state.studio.name : "No studio scanned";
  const list = document.getElementById("heads");
  list.replaceChildren();
  for (const head of state.heads) {
    const item = document.createElement("li");
    const title = document.createElement("span");
    title.textContent = `${head.label} ${head.name}: flash ${head.flash.text} (${head.flash.state})`;
    item.append(title,
      button("-", { op: "step", channel: head.channel, value: "flash", by: -1 }),
      button("+", { op: "step", channel: head.channel, value: "flash", by: 1 }),
      button("Test", { op: "test", channel: head.channel }));
    list.append(item);
  }
}

function connect() {
  socket = new WebSocket(`ws://${location.host}/ws`);
  socket.addEventListener("message", (event) => {
    const message = JSON.parse(event.data);
    if (message.type === "state") show(message);
  });
  socket.addEventListener("close", () => {
    document.getElementById("link").textContent = "Not connected";
    setTimeout(connect, 2000);
  });
}

connect();
