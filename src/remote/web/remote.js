"use strict";

// The remote: one WebSocket to the console, which sends the whole state after every change (the
// set-up list only when it changed); the page draws it and sends the operator's requests.
// Everything from the console is set as text.
(function () {
  const MARK = { confirmed: "✓", pending: "…", unconfirmed: "!", unsent: "×" };
  const WORD = { confirmed: "confirmed", pending: "pending", unconfirmed: "not confirmed",
                 unsent: "not sent" };
  const VALUE_WORD = { flash: "flash", model: "modelling" };
  const STEP_WORD = { "-10": "down 1.0", "-1": "down 0.1", "1": "up 0.1", "10": "up 1.0" };
  const LEVEL_MIN = 11;
  const LEVEL_MAX = 81;
  const TOAST_MS = 6000;
  const COMPACT_ABOVE = 4; // more heads than this show one line each unless the operator chose
  const VIEW_KEY = "lumadesk_view";

  const $ = (id) => document.getElementById(id);
  const main = $("main");
  const headsSection = $("heads");
  const headsEmpty = $("heads-empty");
  const template = $("head-template");
  const lineTemplate = $("line-template");
  const confirmBox = $("confirm");

  let socket = null;
  let live = false;         // the socket is open and a state has come through it
  let unpaired = false;     // the console refused this phone: pairing again is the only way
  let attempt = 0;
  let retryTimer = 0;
  let countdownTimer = 0;
  let retryAt = 0;
  let lastState = null;
  let nextId = 1;
  let toastTimer = 0;
  let loadName = null;
  const cards = new Map();   // channel -> the card's parts, and its line's
  let viewChoice = storedView(); // "compact", "cards", or null: by the number of heads
  const sending = new Map(); // request id -> {key, answered}: values sent and not yet in a state
  const sentNotes = new Map(); // request id -> what to say once the console sent it on

  function setText(element, text) {
    if (element.textContent !== text)
      element.textContent = text;
  }

  function setLabel(element, text) {
    if (element.getAttribute("aria-label") !== text)
      element.setAttribute("aria-label", text);
  }

  function storedView() {
    try {
      const view = localStorage.getItem(VIEW_KEY);
      return view === "compact" || view === "cards" ? view : null;
    } catch (e) {
      return null;
    }
  }

  function announce(text) {
    setText($("announce"), text);
  }

  function showToast(text) {
    const toast = $("toast");
    toast.textContent = text;
    toast.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => { toast.hidden = true; }, TOAST_MS);
  }

  // ---- the connection

  function socketUrl() {
    return (location.protocol === "https:" ? "wss://" : "ws://") + location.host + "/ws";
  }

  function connect() {
    clearTimeout(retryTimer);
    clearInterval(countdownTimer);
    if (socket || unpaired)
      return;
    showConsole("…", "Connecting to the console…");
    const ws = new WebSocket(socketUrl());
    socket = ws;
    ws.addEventListener("message", (event) => { if (socket === ws) receive(event.data); });
    ws.addEventListener("close", (event) => {
      if (socket !== ws)
        return;
      if (event.code !== 1006) {
        lost(event.code, event.reason);
        return;
      }
      // Refused before it opened, the socket tells no reason; the plain request does.
      fetch("/ws", { cache: "no-store" }).then(
        (answer) => answer.status === 401 ? lost(1008, "not paired") : lost(event.code, event.reason),
        () => lost(event.code, event.reason));
    });
  }

  // The console says why it closed; only a phone it does not know must pair again.
  function lost(code, reason) {
    socket = null;
    const wasLive = live;
    live = false;
    sending.clear();
    sentNotes.clear();
    closeConfirm();
    if (code === 1008 && (reason === "not paired" || reason === "forgotten")) {
      unpaired = true;
      showConsole("!", "The console does not know this phone any more.");
      $("pair-again").hidden = false;
      announce("The console does not know this phone any more. Pair it again.");
      render();
      return;
    }
    const why = code === 1013 ? "The console has as many phones as it takes." :
      reason === "remote switched off" ? "The remote was switched off at the console." :
      "Not connected to the console.";
    const delay = Math.min(15, 2 ** Math.min(attempt, 4));
    attempt += 1;
    retryAt = Date.now() + delay * 1000;
    const tick = () => {
      const left = Math.max(0, Math.ceil((retryAt - Date.now()) / 1000));
      showConsole("!", why + " Trying again in " + left + " s.");
    };
    tick();
    countdownTimer = setInterval(tick, 1000);
    retryTimer = setTimeout(connect, delay * 1000);
    if (wasLive)
      announce("Lost the console. The values shown are the last known.");
    render();
  }

  function showConsole(mark, text) {
    setText($("console-mark"), mark);
    setText($("console-text"), text);
    $("console-line").classList.toggle("problem", mark === "!");
  }

  function send(request, key, onSent) {
    if (!socket || socket.readyState !== WebSocket.OPEN || !live) {
      showToast("Not connected to the console: nothing was sent.");
      return;
    }
    request.id = nextId++;
    socket.send(JSON.stringify(request));
    if (onSent)
      sentNotes.set(request.id, onSent);
    if (key) {
      sending.set(request.id, { key: key, answered: false });
      render();
    }
  }

  // A short note where the operator looks, gone after a while; it says only what has happened.
  function note(element, text, ms) {
    setText(element, text);
    clearTimeout(element.noteTimer);
    element.noteTimer = setTimeout(() => setText(element, ""), ms);
  }

  function receive(data) {
    let message;
    try {
      message = JSON.parse(data);
    } catch (e) {
      return;
    }
    if (!message || typeof message !== "object")
      return;
    if (message.type === "state") {
      for (const [id, entry] of sending) {
        if (entry.answered)
          sending.delete(id);
      }
      // The set-ups come only when their list changed: a state without them keeps the last.
      if (!Array.isArray(message.setups) && lastState && Array.isArray(lastState.setups))
        message.setups = lastState.setups;
      lastState = message;
      if (!live) {
        live = true;
        attempt = 0;
        showConsole("✓", "Connected to the console");
        announce("Connected to the console.");
      }
      render();
    } else if (message.type === "ok") {
      const entry = sending.get(message.id);
      if (entry)
        entry.answered = true; // the next state shows where it stands
      const onSent = sentNotes.get(message.id);
      sentNotes.delete(message.id);
      if (onSent)
        onSent();
    } else if (message.type === "error") {
      sending.delete(message.id);
      sentNotes.delete(message.id);
      showToast("The console says: " + String(message.error));
      render();
    }
  }

  // ---- drawing the state

  function isSending(key) {
    for (const entry of sending.values()) {
      if (entry.key === key)
        return true;
    }
    return false;
  }

  // The mark and word of a value's state as the page knows it now.
  function stateOf(key, state) {
    if (!live)
      return { mark: "?", word: "last known", data: "unknown" };
    if (isSending(key))
      return { mark: "…", word: "sending", data: "pending" };
    if (MARK[state])
      return { mark: MARK[state], word: WORD[state], data: String(state) };
    return { mark: "", word: "", data: String(state) };
  }

  function showState(element, key, state, markOnly) {
    const shown = stateOf(key, state);
    setText(element, shown.mark && !markOnly ? shown.mark + " " + shown.word : shown.mark);
    element.dataset.state = shown.data;
    return shown;
  }

  function makeCard(channel) {
    const root = template.content.firstElementChild.cloneNode(true);
    const card = {
      root: root,
      label: root.querySelector(".label"),
      name: root.querySelector(".name"),
      silent: root.querySelector(".silent"),
      silentText: root.querySelector(".silent-text"),
      levels: {},
      switches: {},
      test: root.querySelector(".test"),
      testNote: root.querySelector(".test-note"),
    };
    for (const part of root.querySelectorAll(".level")) {
      const value = part.dataset.value;
      const level = {
        number: part.querySelector(".number"),
        state: part.querySelector(".state"),
        buttons: Array.from(part.querySelectorAll("button")),
        level: 0,
      };
      for (const button of level.buttons) {
        button.addEventListener("click", () => send(
          { op: "step", channel: channel, value: value, by: Number(button.dataset.by) },
          channel + ":" + value));
      }
      card.levels[value] = level;
    }
    for (const box of root.querySelectorAll(".switch-box")) {
      const setting = box.dataset.setting;
      const sw = {
        button: box.querySelector(".switch"),
        word: box.querySelector(".switch-word"),
        state: box.querySelector(".state"),
        on: false,
      };
      sw.button.addEventListener("click", () => send(
        { op: "switch", channel: channel, setting: setting, on: !sw.on },
        channel + ":" + setting));
      card.switches[setting] = sw;
    }
    card.test.addEventListener("click", () => send({ op: "test", channel: channel }, null, () =>
      note(card.testNote, "✓ Test flash sent", 3000)));
    root.id = "head-card-" + channel;
    card.line = makeLine(channel, card);
    card.open = false;
    return card;
  }

  function makeLine(channel, card) {
    const root = lineTemplate.content.firstElementChild.cloneNode(true);
    const line = {
      root: root,
      open: root.querySelector(".open"),
      mark: root.querySelector(".silent-mark"),
      label: root.querySelector(".label"),
      name: root.querySelector(".name"),
      role: root.querySelector(".role"),
      levels: {},
      steps: Array.from(root.querySelectorAll(".step")),
    };
    for (const part of root.querySelectorAll(".line-level")) {
      line.levels[part.dataset.value] = {
        number: part.querySelector(".number"),
        state: part.querySelector(".state"),
      };
    }
    line.open.setAttribute("aria-controls", "head-card-" + channel);
    line.open.addEventListener("click", () => {
      card.open = !card.open;
      render();
      if (card.open)
        card.root.scrollIntoView({ block: "nearest" });
    });
    for (const button of line.steps) {
      button.addEventListener("click", () => send(
        { op: "step", channel: channel, value: "flash", by: Number(button.dataset.by) },
        channel + ":flash"));
    }
    return line;
  }

  // One line: name, role, both levels with their marks, and the flash's tenth down and up.
  function drawLine(card, head) {
    const line = card.line;
    const label = String(head.label);
    const name = typeof head.name === "string" ? head.name : "";
    const role = typeof head.role === "string" ? head.role : "";
    setText(line.label, label);
    setText(line.name, name);
    setText(line.role, role);
    line.role.hidden = role === "";
    const silent = live && head.answering === false;
    line.mark.hidden = !silent;
    line.root.classList.toggle("not-answering", silent);
    const said = [];
    for (const value of ["flash", "model"]) {
      const reading = head[value] && typeof head[value] === "object" ? head[value] : {};
      const text = typeof reading.text === "string" ? reading.text : "–";
      setText(line.levels[value].number, text);
      const shown = showState(line.levels[value].state, head.channel + ":" + value, reading.state,
                              true);
      said.push(VALUE_WORD[value] + " " + text + (shown.word ? " " + shown.word : ""));
    }
    const who = [label, name, role].filter((part) => part !== "").join(" ");
    setLabel(line.open, who + ", " + said.join(", ") + (silent ? ", not answering" : "") +
             (card.open ? ": close card" : ": open card"));
    line.open.setAttribute("aria-expanded", card.open ? "true" : "false");
    const level = Number(head.flash && head.flash.level);
    for (const button of line.steps) {
      const by = Number(button.dataset.by);
      setLabel(button, label + " flash " + STEP_WORD[button.dataset.by]);
      button.disabled = !live || (by > 0 ? level >= LEVEL_MAX : level <= LEVEL_MIN);
      // An open card has the same buttons; one of each is enough.
      button.hidden = card.open;
    }
  }

  function drawCard(card, head) {
    const channel = head.channel;
    const label = String(head.label);
    setText(card.label, label);
    setText(card.name, typeof head.name === "string" ? head.name : "");
    const silent = live && head.answering === false;
    card.silent.hidden = !silent;
    card.root.classList.toggle("not-answering", silent);
    setText(card.silentText, label + " is not answering");
    for (const value of ["flash", "model"]) {
      const part = card.levels[value];
      const reading = head[value] && typeof head[value] === "object" ? head[value] : {};
      part.level = Number(reading.level);
      setText(part.number, typeof reading.text === "string" ? reading.text : "–");
      showState(part.state, channel + ":" + value, reading.state);
      for (const button of part.buttons) {
        const by = Number(button.dataset.by);
        setLabel(button, label + " " + VALUE_WORD[value] + " " + STEP_WORD[button.dataset.by]);
        const atEnd = by > 0 ? part.level >= LEVEL_MAX : part.level <= LEVEL_MIN;
        button.disabled = !live || atEnd;
      }
    }
    const switchName = { flashPower: "flash power", modelPower: "modelling lamp" };
    for (const setting of ["flashPower", "modelPower"]) {
      const sw = card.switches[setting];
      const reading = head[setting] && typeof head[setting] === "object" ? head[setting] : {};
      sw.on = reading.on === true;
      setLabel(sw.button, label + " " + switchName[setting]);
      sw.button.setAttribute("aria-checked", sw.on ? "true" : "false");
      setText(sw.word, sw.on ? "On" : "Off");
      sw.button.disabled = !live;
      showState(sw.state, channel + ":" + setting, reading.state);
    }
    setLabel(card.test, label + " test flash");
    card.test.disabled = !live;
  }

  function drawHeads(state) {
    const heads = (Array.isArray(state.heads) ? state.heads : [])
      .filter((head) => head && Number.isInteger(head.channel));
    const compact = viewChoice ? viewChoice === "compact" : heads.length > COMPACT_ABOVE;
    headsSection.classList.toggle("compact", compact);
    $("heads-view").hidden = heads.length === 0;
    setText($("view-toggle"), compact ? "Show every card" : "Show one line per head");
    const seen = new Set();
    let previous = headsEmpty;
    for (const head of heads) {
      seen.add(head.channel);
      let card = cards.get(head.channel);
      if (!card) {
        card = makeCard(head.channel);
        cards.set(head.channel, card);
      }
      drawCard(card, head);
      drawLine(card, head);
      card.line.root.hidden = !compact;
      card.root.hidden = compact && !card.open;
      for (const part of [card.line.root, card.root]) {
        if (previous.nextSibling !== part)
          previous.after(part);
        previous = part;
      }
    }
    for (const [channel, card] of cards) {
      if (!seen.has(channel)) {
        card.root.remove();
        card.line.root.remove();
        cards.delete(channel);
      }
    }
    if (previous.nextSibling !== $("heads-view"))
      previous.after($("heads-view")); // the choice comes after the heads
    headsEmpty.hidden = seen.size > 0;
    setText(headsEmpty, state.studio ? "No heads have answered in " + String(state.studio.name) +
            "." : "Scan a studio at the console; its heads show here.");
  }

  function drawGroup(state) {
    const heads = Array.isArray(state.heads) ? state.heads : [];
    const ticked = heads.filter((h) => h && h.ticked === true).map((h) => String(h.label));
    setText($("ticked"), ticked.length === 0 ? "No heads ticked on the desk" :
            "Ticked on the desk: " + ticked.join(", "));
    for (const button of $("group").querySelectorAll("button"))
      button.disabled = !live || ticked.length === 0;
  }

  function drawSetups(state) {
    const list = $("setups");
    const names = Array.isArray(state.setups) ? state.setups.filter((n) => typeof n === "string") : [];
    $("memory-empty").hidden = names.length > 0;
    // Rebuilt only when the names change, so a focused button stays.
    const now = JSON.stringify(names);
    if (list.dataset.names !== now) {
      list.dataset.names = now;
      list.replaceChildren();
      for (const name of names) {
        const item = document.createElement("li");
        const text = document.createElement("span");
        text.className = "setup-name";
        text.textContent = name;
        const button = document.createElement("button");
        button.type = "button";
        button.textContent = "Load";
        button.setAttribute("aria-label", "Load " + name);
        button.addEventListener("click", () => askLoad(name));
        item.append(text, button);
        list.append(item);
      }
    }
    for (const button of list.querySelectorAll("button"))
      button.disabled = !live || !state.studio;
  }

  function render() {
    main.classList.toggle("stale", !live);
    $("pair-again").hidden = !unpaired;
    const state = lastState;
    if (!state)
      return;
    main.classList.remove("waiting");
    const radio = state.link && typeof state.link === "object" ? state.link : null;
    $("radio-line").hidden = !live || !radio;
    if (radio) {
      setText($("radio-mark"), radio.connected === true ? "✓" : "!");
      setText($("radio-text"), "Radio: " + String(radio.text));
      $("radio-line").classList.toggle("problem", radio.connected !== true);
    }
    // What the dongle never got, with the one button that sends it while the radio is there.
    const unsent = typeof state.unsent === "string" ? state.unsent : "";
    $("unsent-line").hidden = !live || !unsent;
    setText($("unsent-text"), unsent);
    $("send-again").disabled = !live || !radio || radio.connected !== true;
    setText($("studio"), state.studio ? String(state.studio.name) : "No studio scanned yet");
    drawHeads(state);
    drawGroup(state);
    drawSetups(state);
    if (confirmBox.open && (!live || confirmText() !== $("confirm-text").textContent))
      closeConfirm("The studio changed before the load: nothing was loaded.");
  }

  // ---- loading a set-up, asked first

  function confirmText() {
    const studio = lastState && lastState.studio ? String(lastState.studio.name) : "";
    return "Load \"" + loadName + "\" into " + studio + "? Current setting is replaced.";
  }

  function askLoad(name) {
    if (!live || !lastState || !lastState.studio)
      return;
    loadName = name;
    $("confirm-text").textContent = confirmText();
    $("confirm-load").setAttribute("aria-label", "Load " + name + " now");
    confirmBox.showModal();
    $("confirm-cancel").focus();
  }

  function closeConfirm(why) {
    if (!confirmBox.open)
      return;
    confirmBox.close("cancel");
    if (why)
      showToast(why);
  }

  confirmBox.addEventListener("close", () => {
    const name = loadName;
    loadName = null;
    const studio = lastState && lastState.studio ? String(lastState.studio.name) : "";
    if (confirmBox.returnValue === "load" && name !== null) {
      send({ op: "load", name: name }, null, () =>
        note($("memory-note"), "✓ \"" + name + "\" sent to " + studio + ".", 8000));
    }
    confirmBox.returnValue = "";
  });

  // ---- waking up

  function tryNow() {
    if (!socket && !unpaired) {
      attempt = 0;
      connect();
    }
  }
  document.addEventListener("visibilitychange", () => {
    if (document.visibilityState === "visible")
      tryNow();
  });
  window.addEventListener("online", tryNow);

  $("view-toggle").addEventListener("click", () => {
    viewChoice = headsSection.classList.contains("compact") ? "cards" : "compact";
    try {
      localStorage.setItem(VIEW_KEY, viewChoice);
    } catch (e) {
      // kept for this visit only
    }
    render();
  });

  for (const button of $("group").querySelectorAll("button")) {
    button.addEventListener("click", () => send(
      { op: "offset", value: button.dataset.value, by: Number(button.dataset.by) }, null));
  }

  $("send-again").addEventListener("click", () => send({ op: "sendAgain" }, null));

  connect();
})();
