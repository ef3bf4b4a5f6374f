"use strict";
document.getElementById("pair").addEventListener("submit", async (event) => {
  event.preventDefault();
  const message = document.getElementById("message");
  const code = document.getElementById("code").value.trim();
  try {
    const answer = await fetch("/pair", {
      method: "POST",
      headers: { "Content-Type": "application/json" },
      body: JSON.stringify({ code }),
    });
    if (answer.ok) {
      location.replace("/");
      return;
    }
    const body = await answer.json().catch(() => ({}));
    message.textContent = body.error === "locked"
      ? "Too many wrong codes: wait a minute."
      : "Wrong code.";
  } catch (e) {
    message.textContent = "The console does not answer.";
  }
});
